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
class SerialLine : public QObject
{
    Q_OBJECT

public:
    explicit SerialLine(quint32 seed, QObject *parent = nullptr);
    ~SerialLine() override;

    bool open_pseudo_terminal(QString *error);
    bool open_device(const QString &device, int baud, QString *error);
    bool is_open() const
    {
        return fd >= 0;
    }
    QString path() const
    {
        return line_path;
    }

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

private:
    void adopt(int line_fd, int keepalive_fd, const QString &name);
    void close_line();
    void read_ready();
    void drain();
    void schedule_drain();
    QByteArray noise();

    QRandomGenerator random;
    int fd = -1;
    // The pseudo-terminal's own slave descriptor: while it is open the master
    // never reads a hang-up, so the host may close and reopen the port freely.
    int keepalive_fd = -1;
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
