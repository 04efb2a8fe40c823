#pragma once

#include <QByteArray>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace camsim
{

// The camera's end of the serial line: a pseudo-terminal of its own (the host
// opens the slave side, whose path path() gives) or a real serial device.
// Frames are queued and written as the line takes them; on request they are
// written in pieces cut at random byte boundaries, each piece in its own
// write, with noise between frames. vanish() closes the line the way pulling
// out an adapter does.
//
// On a pseudo-terminal the line knows whether the host has its end open.
// While it has not, frames go nowhere, as on a real wire with nobody
// listening: a host that opens the port hears what the camera says from then
// on, not what it said before.
class SerialLine : public QObject
{
    Q_OBJECT

public:
    explicit SerialLine(quint32 seed, QObject *parent = nullptr);
    ~SerialLine() override;

    bool open_pseudo_terminal(QString *error);
    bool open_device(const QString &device, int baud, QString *error);
    // The device when one is named, else a pseudo-terminal of its own.
    bool open(const QString &device, int baud, QString *error)
    {
        return device.isEmpty() ? open_pseudo_terminal(error) : open_device(device, baud, error);
    }
    bool is_open() const
    {
        return fd >= 0;
    }
    bool host_connected() const
    {
        return fd >= 0 && host_present;
    }
    QString path() const
    {
        return line_path;
    }

    // The line's settings as the host last set them on a pseudo-terminal
    // (its master side reads the slave's): "57600 7E2 hardware".
    QString settings_text() const;

    void set_split_writes(bool on)
    {
        split = on;
    }
    // Probability of 1..8 noise bytes before a frame. Noise never holds 0xFE,
    // so it cannot start a frame after the 0xFF that ends one, nor end one.
    void set_garbage(double probability)
    {
        garbage = probability;
    }

    void send_frame(const QByteArray &frame);
    // Bytes queued and not yet taken by the line.
    qint64 backlog() const
    {
        return queue.size();
    }
    qint64 bytes_discarded() const
    {
        return discarded;
    }

    void vanish();

signals:
    void received(const QByteArray &bytes);
    // The line is gone: by vanish(), or because the device went away.
    void closed();
    // The host opened or closed its end of the pseudo-terminal.
    void host_changed(bool connected);

private:
    void adopt(int line_fd, const QString &name);
    void close_line();
    void read_ready();
    void set_host_present(bool present);
    void look_for_host();
    void drain();
    void schedule_drain();
    QByteArray noise();

    QRandomGenerator random;
    int fd = -1;
    bool pseudo_terminal = false;
    bool host_present = true;
    QTimer host_timer;
    QString line_path;
    QSocketNotifier *read_notifier = nullptr;
    QSocketNotifier *write_notifier = nullptr;
    QTimer drain_timer;
    QByteArray queue;
    qint64 discarded = 0;
    bool split = false;
    double garbage = 0;
};

} // namespace camsim
