#include "protocol/hostframes.h"

#include "protocol/commandframes.h"

#include <initializer_list>

namespace protocol
{

namespace
{

// Collected lengths: the wire length less the first and last byte.
constexpr int kShortCollected = 3;
constexpr int kAngleCollected = kAngleFrameSize - 2;
constexpr int kRecordCollected = kRecordFrameSize - 2;

// Layouts are given by wire position; collected byte k is wire byte k + 1.
quint8 at(const QByteArray &collected, int wire_position)
{
    return quint8(collected.at(wire_position - 1));
}

int u16(const QByteArray &collected, int wire_position)
{
    return at(collected, wire_position) * 256 + at(collected, wire_position + 1);
}

int signed16(const QByteArray &collected, int wire_position)
{
    const int magnitude = u16(collected, wire_position + 1);
    return at(collected, wire_position) != 0 ? -magnitude : magnitude;
}

bool check_byte_holds(const QByteArray &collected, int check_position,
                      std::initializer_list<int> positions)
{
    int sum = 0;
    for (int position : positions)
        sum += at(collected, position);
    return at(collected, check_position) == sum / int(positions.size());
}

HostFrame of_kind(HostFrameKind kind)
{
    HostFrame frame;
    frame.kind = kind;
    return frame;
}

HostFrame short_command(const QByteArray &collected)
{
    switch (at(collected, 2)) {
    case kModeOneKey:
        return of_kind(HostFrameKind::ModeOne);
    case kModeTwoKey:
        return of_kind(HostFrameKind::ModeTwo);
    case kClearAllKey:
        return of_kind(HostFrameKind::ClearAll);
    case kTransferStartKey:
        return of_kind(HostFrameKind::TransferStart);
    case kTransferEndKey:
        return of_kind(HostFrameKind::TransferEnd);
    default:
        return of_kind(HostFrameKind::Unknown);
    }
}

HostFrame angle_compensation(const QByteArray &collected)
{
    // Bytes 2..8 never change; anything else of this length is not the host's.
    static const quint8 fixed[] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x01};
    for (int k = 0; k < 7; ++k)
        if (at(collected, 2 + k) != fixed[k])
            return of_kind(HostFrameKind::Unknown);
    HostFrame frame = of_kind(HostFrameKind::AngleCompensation);
    frame.compensation_on = at(collected, 9) != 0;
    frame.check_byte_ok = check_byte_holds(collected, 10, {3, 4, 6, 7, 8, 9});
    return frame;
}

HostFrame tag_record(const QByteArray &collected)
{
    HostFrame frame = of_kind(HostFrameKind::Tag);
    frame.record.id = u16(collected, 2);
    frame.record.x_cm = signed16(collected, 4);
    frame.record.y_cm = signed16(collected, 7);
    frame.record.side_mm = u16(collected, 10);
    frame.record.angle_deg = signed16(collected, 12);
    frame.check_byte_ok = check_byte_holds(collected, 15, {2, 3, 5, 6, 8, 9, 10, 11, 13, 14});
    return frame;
}

} // namespace

HostFrame classify_host_frame(const QByteArray &collected)
{
    switch (collected.size()) {
    case kShortCollected:
        return short_command(collected);
    case kAngleCollected:
        return angle_compensation(collected);
    case kRecordCollected:
        return tag_record(collected);
    default:
        return of_kind(HostFrameKind::Unknown);
    }
}

QString describe_host_frame(const HostFrame &frame, int collected_size)
{
    const QString check = frame.check_byte_ok ? QString() : QStringLiteral(", check byte wrong");
    switch (frame.kind) {
    case HostFrameKind::ModeOne:
        return QStringLiteral("mode 1");
    case HostFrameKind::ModeTwo:
        return QStringLiteral("mode 2");
    case HostFrameKind::ClearAll:
        return QStringLiteral("clear all tags");
    case HostFrameKind::TransferStart:
        return QStringLiteral("transfer start");
    case HostFrameKind::TransferEnd:
        return QStringLiteral("transfer end");
    case HostFrameKind::AngleCompensation:
        return QStringLiteral("angle compensation %1%2")
            .arg(frame.compensation_on ? QStringLiteral("on") : QStringLiteral("off"), check);
    case HostFrameKind::Tag:
        return QStringLiteral("tag %1 x %2 y %3 side %4 angle %5%6")
            .arg(frame.record.id)
            .arg(frame.record.x_cm)
            .arg(frame.record.y_cm)
            .arg(frame.record.side_mm)
            .arg(frame.record.angle_deg)
            .arg(check);
    case HostFrameKind::Unknown:
        break;
    }
    return QStringLiteral("unknown (%1 bytes collected)").arg(collected_size);
}

} // namespace protocol
