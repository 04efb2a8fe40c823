#include "session/sessionplayer.h"

#include "session/sessionscan.h"

namespace session
{
namespace
{

// How long one pass of the event loop may deliver at full speed, so that the
// window still paints and answers between passes.
constexpr qint64 kFastSliceNs = 20 * 1000 * 1000;
constexpr int kTickMs = 5;

} // namespace

SessionPlayer::SessionPlayer(QObject *parent) : QObject(parent)
{
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(kTickMs);
    connect(&timer, &QTimer::timeout, this, &SessionPlayer::tick);
}

bool SessionPlayer::open(const QString &path)
{
    SessionSummary summary;
    if (!scan_session(path, summary, error_text))
        return false;
    file.close();
    file.setFileName(path);
    start = summary.start_us;
    total = summary.end_us - summary.start_us;
    position = 0;
    paused = true;
    finished_flag = false;
    if (!rewind())
        return false;
    return true;
}

bool SessionPlayer::rewind()
{
    file.close();
    has_pending = false;
    if (!file.open(QIODevice::ReadOnly) || !reader.open(&file)) {
        error_text = file.isOpen() ? reader.error() : file.errorString();
        return false;
    }
    return true;
}

// The next inbound packet into `pending`; false at the end.
bool SessionPlayer::fetch()
{
    while (!has_pending) {
        if (reader.next(pending) != SessionReader::Next::Packet)
            return false;
        has_pending = pending.inbound;
    }
    return true;
}

void SessionPlayer::rebase()
{
    base_position = position;
    wall.start();
}

void SessionPlayer::set_speed(double new_speed)
{
    speed = new_speed;
    rebase();
}

void SessionPlayer::pause()
{
    paused = true;
    timer.stop();
}

void SessionPlayer::resume()
{
    if (finished_flag)
        return;
    paused = false;
    rebase();
    timer.start();
}

void SessionPlayer::seek(qint64 target)
{
    target = qBound(qint64(0), target, total);
    if (target < position) {
        if (!rewind())
            return;
        position = 0;
        finished_flag = false;
        emit restarted();
    }
    catch_up_to = target;
    if (!timer.isActive())
        timer.start();
}

void SessionPlayer::tick()
{
    QElapsedTimer slice;
    slice.start();
    const bool fast = catch_up_to >= 0 || speed <= 0;
    qint64 until;
    if (catch_up_to >= 0)
        until = catch_up_to;
    else if (fast)
        until = total;
    else
        until = base_position + qint64(double(wall.nsecsElapsed()) / 1000.0 * speed);

    QByteArray batch;
    bool more = true;
    while ((!ready || ready()) && (more = fetch()) && pending.time_us - start <= until) {
        batch += pending.bytes;
        has_pending = false;
        position = pending.time_us - start;
        // Given to the receiver in pieces of about a read's size at the
        // line's pace, each decoded before the next.
        if (batch.size() >= 4096) {
            emit inbound(batch);
            batch.clear();
        }
        if (fast && slice.nsecsElapsed() > kFastSliceNs)
            break;
    }
    if (!batch.isEmpty())
        emit inbound(batch);
    if (!fast || (catch_up_to >= 0 && position < catch_up_to && !more))
        position = qMin(until, total);
    if (catch_up_to >= 0 && (position >= catch_up_to || !more)) {
        position = qMax(position, catch_up_to);
        catch_up_to = -1;
        rebase();
        if (paused)
            timer.stop();
    }
    emit position_changed(position);
    if (!more && catch_up_to < 0) {
        position = total;
        finished_flag = true;
        timer.stop();
        emit position_changed(position);
        emit finished();
    }
}

} // namespace session
