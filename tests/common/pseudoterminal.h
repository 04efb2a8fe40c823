#pragma once

#include <QByteArray>
#include <QString>

// A real pseudo-terminal: the program under test opens slave_path() with a
// real QSerialPort, the test plays the camera on the master side.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool is_valid() const
    {
        return master_fd >= 0;
    }
    QString slave_path() const
    {
        return path;
    }

    // Writes all of `bytes` to the master side; false on error.
    bool write(const QByteArray &bytes);

    // Whatever the slave side has written so far, without waiting.
    QByteArray read_available();

    // Collects from the master side until `count` bytes have arrived or
    // `timeout_ms` passed, keeping the Qt event loop running meanwhile.
    QByteArray read_at_least(int count, int timeout_ms = 5000);

    // Closes the master side: the slave side sees a hang-up, as when a USB
    // adapter is unplugged.
    void close_master();

private:
    int master_fd = -1;
    int slave_keepalive_fd = -1;
    QString path;
};
