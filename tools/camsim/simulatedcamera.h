#pragma once

#include "motionpath.h"
#include "simoptions.h"
#include "tagstore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>
#include <functional>

namespace camera
{
struct HostFrame;
}

namespace camsim
{

// The camera's side of the serial protocol, without the line: bytes from the
// host go in through receive(), every frame the camera sends comes out of
// frame_out(), and everything worth reading goes to log_line(). The faults
// that belong to the camera (silence, dropped, late and wrong
// acknowledgements, spoiled check bytes) are applied here; those of the line
// (split writes, noise, vanishing) belong to SerialLine.
class SimulatedCamera : public QObject
{
    Q_OBJECT

public:
    struct Counters {
        qint64 positions_sent = 0;
        qint64 positions_spoiled = 0; // sent with a wrong check byte
        qint64 positions_kept = 0;    // not sent because the camera was silent
        qint64 host_frames = 0;
        qint64 unknown_frames = 0;
        qint64 acks_sent = 0;
        qint64 acks_dropped = 0;
        qint64 acks_wrong_id = 0;
        qint64 errors_sent = 0;
    };

    explicit SimulatedCamera(const SimOptions &options, QObject *parent = nullptr);

    // Starts the clock and the timed reports.
    void start();

    // Bytes as they came off the line, in any pieces.
    void receive(const QByteArray &bytes);

    void set_silent(bool silent);
    // A line in the log, stamped with the camera's clock.
    void note(const QString &text);
    void send_error_report();

    // Whether the line takes a position report now. While it does not (no
    // host, or one that reads slowly and still has reports to take), the
    // stream waits, and then goes on from the pose of the moment: a host
    // never gets a pile of stale poses.
    void set_line_ready_probe(std::function<bool()> probe);

    const TagStore &tag_store() const
    {
        return tags;
    }
    const Counters &counters() const
    {
        return count;
    }
    int mode() const
    {
        return current_mode;
    }
    bool compensation_on() const
    {
        return compensation;
    }
    // The pose of the last position report that went out with a good check
    // byte, as it went out.
    camera::PositionFields last_valid_position() const
    {
        return last_valid;
    }

signals:
    void frame_out(const QByteArray &frame);
    void log_line(const QString &line);
    // The stream has sent the number of reports it was told to.
    void positions_done();
    // --vanish-after has been reached.
    void vanish_due();

private:
    void stream_tick();
    void send_position(qint64 index);
    void mode2_tick();
    void handle(const QByteArray &collected);
    void handle_tag(const camera::HostFrame &frame, const QByteArray &wire);
    void acknowledge(const QByteArray &ack, const QString &what);
    void send(const QByteArray &frame, const QString &what);
    void send_counts();
    int expected_count() const;
    bool chance(double probability);

    SimOptions options;
    MotionPath path;
    QRandomGenerator random;
    QElapsedTimer clock;
    QTimer stream_timer;
    QTimer error_timer;
    QTimer mode2_timer;
    std::function<bool()> line_ready;

    // Receive framing state.
    bool ff_seen = false;
    bool in_frame = false;
    bool fe_seen = false;
    QByteArray collected;

    TagStore tags;
    QSet<qint32> received_this_transfer;
    int current_mode = 1;
    bool compensation = false;
    bool silent = false;
    Pose current_pose;
    camera::PositionFields last_valid;
    Counters count;
    qint64 stream_index = 0; // the next position report's place on the path
    bool stream_held = false;
};

} // namespace camsim
