#pragma once

#include "app/mainwindow.h"
#include "modal.h"
#include "pseudoterminal.h"
#include "ui_mainwindowform.h"

// The real window on a real pseudo-terminal: the test plays the camera on the
// master side, the window's QSerialPort opens the slave side.
struct LiveWindow {
    MainWindow window;
    PseudoTerminal camera;
    qint64 bytes_played = 0;

    Ui::MainWindowForm &form()
    {
        return *window.ui;
    }

    // Selects the pseudo-terminal, presses connect and closes the box that
    // follows. `seen` records what the box showed.
    void press_connect(SeenModal *seen = nullptr);

    // Connects and reports whether the port is open.
    bool connect_port();

    // Writes `bytes` as the camera and waits until the window has read all of
    // them, so that consecutive calls arrive as separate reads.
    bool play(const QByteArray &bytes);

    // Plays a count report with these counts and waits until it is shown:
    // everything played before it has then been handled.
    bool sync(int first_count, int second_count);

    // Bytes and paragraphs in the receive log.
    qint64 echoed_bytes() const;
    int log_paragraphs() const;
};
