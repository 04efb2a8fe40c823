#pragma once

#include "pseudoterminal.h"

#include <QByteArray>
#include <QVector>

class MainWindow;

// The camera's side of a transfer on a real pseudo-terminal: it collects the
// frames the program sends and answers with acknowledgements. It cuts and
// builds frames by hand, apart from src/protocol, as an independent witness.
class ScriptedCamera
{
public:
    ScriptedCamera();

    bool is_valid() const
    {
        return line.is_valid();
    }
    QString port_path() const
    {
        return line.slave_path();
    }

    // Opens the program's port on this line through the connect button,
    // answering the success message.
    bool connect_window(MainWindow &window);

    // The next whole frame the program wrote (5 bytes for the start and end
    // requests, 18 for a tag), or empty when none came within `timeout_ms`.
    QByteArray next_frame(int timeout_ms = 2000);

    // Everything that arrives within `window_ms`; used to show that nothing
    // more is sent.
    QByteArray collect_for(int window_ms);

    void acknowledge_start();
    void acknowledge_end();
    void acknowledge_record(int id);

    PseudoTerminal line;

private:
    QByteArray pending;
};

extern const QByteArray kStartRequest;
extern const QByteArray kEndRequest;

// The id in bytes 2..3 of a tag frame.
int frame_id(const QByteArray &frame);
