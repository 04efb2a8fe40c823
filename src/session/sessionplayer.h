#pragma once

#include "session/sessionreader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <functional>

// Plays a session's inbound bytes back at the recorded pace, times a speed,
// or as fast as the receiver takes them. Reads the file as it goes, one
// block at a time; going back reads it again from the start.
namespace session
{

class SessionPlayer : public QObject
{
    Q_OBJECT

public:
    explicit SessionPlayer(QObject *parent = nullptr);

    // Checks the whole file first. False, with the reason in error(), when
    // it is not a session. Opened paused at the start.
    bool open(const QString &path);
    QString error() const
    {
        return error_text;
    }
    qint64 total_us() const
    {
        return total;
    }
    qint64 position_us() const
    {
        return position;
    }
    bool is_paused() const
    {
        return paused;
    }
    bool is_finished() const
    {
        return finished_flag;
    }

    // 0: as fast as possible.
    void set_speed(double speed);
    // Asked before each piece: while it says no, the bytes wait in the file
    // and the pace is caught up later, so a receiver that cannot keep up
    // loses nothing.
    void set_ready_probe(std::function<bool()> probe)
    {
        ready = std::move(probe);
    }
    void pause();
    void resume();
    // Back: restarted() and everything from the start up to `position_us` as
    // fast as possible; forward: everything up to it as fast as possible.
    // Then on at the chosen speed.
    void seek(qint64 position_us);

signals:
    void inbound(const QByteArray &bytes);
    // The receiver's state from an earlier pass no longer holds.
    void restarted();
    void position_changed(qint64 position_us);
    void finished();

private:
    void tick();
    bool rewind();
    bool fetch();
    void rebase();

    QFile file;
    SessionReader reader;
    SessionPacket pending;
    bool has_pending = false;
    QString error_text;
    qint64 start = 0;
    qint64 total = 0;
    qint64 position = 0;
    qint64 catch_up_to = -1; // a seek's target, reached as fast as possible
    double speed = 1;
    bool paused = true;
    bool finished_flag = false;
    std::function<bool()> ready;
    QTimer timer;
    QElapsedTimer wall;
    qint64 base_position = 0;
};

} // namespace session
