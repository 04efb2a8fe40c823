#include "simulatedcamera.h"

#include "camera/hostframes.h"
#include "camera/reportframes.h"
#include "codesinview.h"
#include "protocol/framecutter.h"

#include <cmath>

namespace camsim
{

namespace
{

// The stream's tick. Reports due within a tick go out together, each with the
// pose of its own moment, so any rate works.
constexpr int kStreamTickMs = 10;
QString hex_text(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

SimulatedCamera::SimulatedCamera(const SimOptions &options, QObject *parent)
    : QObject(parent), options(options),
      path(options.path, options.floor_cm, options.lane_spacing_cm, options.speed_cm_s,
           options.wobble_deg),
      random(options.seed), silent(options.silent)
{
    current_pose = path.at(0);
    stream_timer.setTimerType(Qt::PreciseTimer);
    connect(&stream_timer, &QTimer::timeout, this, &SimulatedCamera::stream_tick);
    connect(&error_timer, &QTimer::timeout, this, &SimulatedCamera::send_error_report);
    connect(&mode2_timer, &QTimer::timeout, this, &SimulatedCamera::mode2_tick);
}

void SimulatedCamera::start()
{
    clock.start();
    if (options.rate_hz > 0)
        stream_timer.start(kStreamTickMs);
    if (options.error_every_s > 0)
        error_timer.start(int(std::lround(options.error_every_s * 1000)));
}

void SimulatedCamera::set_line_ready_probe(std::function<bool()> probe)
{
    line_ready = std::move(probe);
}

void SimulatedCamera::set_silent(bool on)
{
    silent = on;
    note(on ? QStringLiteral("fault: silent") : QStringLiteral("fault: silent ended"));
}

bool SimulatedCamera::chance(double probability)
{
    return probability > 0 && random.generateDouble() < probability;
}

void SimulatedCamera::note(const QString &text)
{
    const double seconds = clock.isValid() ? clock.elapsed() / 1000.0 : 0.0;
    emit log_line(QStringLiteral("%1 %2").arg(seconds, 9, 'f', 3).arg(text));
}

void SimulatedCamera::send(const QByteArray &frame, const QString &what)
{
    if (silent)
        return;
    if (options.verbose)
        note(QStringLiteral("sent  %1  %2").arg(hex_text(frame), what));
    emit frame_out(frame);
}

// ---- the position stream ----

void SimulatedCamera::stream_tick()
{
    const qint64 due = qint64(std::floor(options.rate_hz * clock.elapsed() / 1000.0)) + 1;
    while (stream_index < due && (options.count == 0 || count.positions_sent < options.count)) {
        if (line_ready && !line_ready()) {
            stream_held = true;
            return;
        }
        if (stream_held) {
            // The poses nobody could hear are skipped.
            stream_index = qMax(stream_index, due - 1);
            stream_held = false;
        }
        send_position(stream_index++);
        if (options.vanish_after > 0 && count.positions_sent == options.vanish_after) {
            emit vanish_due();
            return;
        }
    }
    if (options.count > 0 && count.positions_sent >= options.count) {
        stream_timer.stop();
        emit positions_done();
    }
}

void SimulatedCamera::send_position(qint64 index)
{
    // Each report carries the pose of its own moment on the path, so the
    // poses do not depend on how the ticks fell.
    current_pose = path.at(double(index) / options.rate_hz);
    if (silent) {
        ++count.positions_kept;
        return;
    }
    const camera::PositionFields fields = wire_fields(current_pose);
    QByteArray frame = camera::position_report(fields);
    const bool spoil = chance(options.bad_check);
    if (spoil) {
        frame[protocol::kPositionCheckByte] = char(frame.at(protocol::kPositionCheckByte) + 1);
        ++count.positions_spoiled;
    } else {
        last_valid = fields;
    }
    ++count.positions_sent;
    send(frame,
         spoil ? QStringLiteral("position, check byte spoiled") : QStringLiteral("position"));
}

// ---- timed reports ----

void SimulatedCamera::send_error_report()
{
    ++count.errors_sent;
    send(camera::error_report(), QStringLiteral("error"));
}

void SimulatedCamera::mode2_tick()
{
    const QVector<TagRecord> in_view = tags_in_view(current_pose, tags, options.floor_cm);
    QVector<camera::CodeListRecord> entries;
    for (const TagRecord &tag : in_view)
        entries.append(code_list_record(current_pose, tag));
    send(camera::code_list_report(entries),
         QStringLiteral("code list, %1 codes").arg(entries.size()));
    if (!in_view.isEmpty())
        send(camera::tag_report(in_view.first()), QStringLiteral("tag %1").arg(in_view.first().id));
}

// ---- the host's frames ----

void SimulatedCamera::receive(const QByteArray &bytes)
{
    for (const char byte : bytes)
        if (protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, collected))
            handle(collected);
}

void SimulatedCamera::handle(const QByteArray &frame_collected)
{
    ++count.host_frames;
    const QByteArray wire = char(0xFF) + frame_collected + char(0xFF);
    const camera::HostFrame frame = camera::classify_host_frame(frame_collected);
    note(QStringLiteral("host  %1  %2")
             .arg(hex_text(wire), camera::describe_host_frame(frame, frame_collected.size())));

    switch (frame.kind) {
    case camera::HostFrameKind::ModeOne:
        current_mode = 1;
        mode2_timer.stop();
        break;
    case camera::HostFrameKind::ModeTwo:
        current_mode = 2;
        if (!mode2_timer.isActive())
            mode2_timer.start(options.mode2_interval_ms);
        break;
    case camera::HostFrameKind::ClearAll:
        note(QStringLiteral("tag map cleared, %1 tags forgotten").arg(tags.size()));
        tags.clear();
        break;
    case camera::HostFrameKind::AngleCompensation:
        if (frame.check_byte_ok)
            compensation = frame.compensation_on;
        break;
    case camera::HostFrameKind::TransferStart:
        received_this_transfer.clear();
        acknowledge(camera::start_ack(), QStringLiteral("start"));
        break;
    case camera::HostFrameKind::Tag:
        handle_tag(frame, wire);
        break;
    case camera::HostFrameKind::TransferEnd:
        acknowledge(camera::end_ack(), QStringLiteral("end"));
        send_counts();
        break;
    case camera::HostFrameKind::Unknown:
        ++count.unknown_frames;
        break;
    }
}

void SimulatedCamera::handle_tag(const camera::HostFrame &frame, const QByteArray &wire)
{
    // A record that does not add up is not stored and not acknowledged: the
    // host sends it again on its next tick.
    if (!frame.check_byte_ok)
        return;
    tags.store(frame.record, wire);
    received_this_transfer.insert(frame.record.id);
    quint16 id = quint16(frame.record.id);
    if (chance(options.wrong_ids)) {
        ++count.acks_wrong_id;
        // Any other id will do: the host compares with the record it sent.
        id = quint16(id + 1);
        note(QStringLiteral("fault: record %1 acknowledged as %2").arg(frame.record.id).arg(id));
    }
    acknowledge(camera::record_ack(id), QStringLiteral("record %1").arg(id));
    send_counts();
}

void SimulatedCamera::acknowledge(const QByteArray &ack, const QString &what)
{
    if (silent)
        return;
    if (chance(options.drop_acks)) {
        ++count.acks_dropped;
        note(QStringLiteral("fault: ack of %1 dropped").arg(what));
        return;
    }
    ++count.acks_sent;
    if (options.delay_acks_ms > 0) {
        QTimer::singleShot(options.delay_acks_ms, this,
                           [this, ack, what] { send(ack, QStringLiteral("ack of ") + what); });
        return;
    }
    send(ack, QStringLiteral("ack of ") + what);
}

int SimulatedCamera::expected_count() const
{
    return options.expect >= 0 ? options.expect : tags.size();
}

void SimulatedCamera::send_counts()
{
    const int received = received_this_transfer.size();
    const int expected = expected_count();
    send(camera::count_report(quint16(qMin(received, 65535)), quint16(qMin(expected, 65535))),
         QStringLiteral("counts %1 of %2").arg(received).arg(expected));
}

} // namespace camsim
