#include "camera/hostframes.h"

#include "protocol/commandframes.h"

#include "protocol/wireframe.h"

namespace camera
{

using namespace protocol;

namespace
{

// Collected lengths: the wire length less the first and last byte.
constexpr int kShortCollected = kShortFrameSize - 2;
constexpr int kAngleCollected = kAngleFrameSize - 2;
constexpr int kTagCollected = kTagFrameSize - 2;

HostFrame of_kind(HostFrameKind kind)
{
    HostFrame frame;
    frame.kind = kind;
    return frame;
}

HostFrame short_command(const WireReader &collected)
{
    switch (collected.at(kKeyByte)) {
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

HostFrame angle_compensation(const WireReader &collected)
{
    // The fixed bytes never change; anything else of this length is not the host's.
    for (int k = 0; k < int(kAngleFixedBytes.size()); ++k)
        if (collected.at(kAngleFixedFrom + k) != kAngleFixedBytes[k])
            return of_kind(HostFrameKind::Unknown);
    HostFrame frame = of_kind(HostFrameKind::AngleCompensation);
    frame.compensation_on = collected.at(kAngleSwitch) != 0;
    frame.check_byte_ok = collected.check_byte_holds(kAngleCheck, kAngleCheckSet);
    return frame;
}

HostFrame tag_record(const WireReader &collected)
{
    HostFrame frame = of_kind(HostFrameKind::Tag);
    frame.record = read_tag_frame(collected);
    frame.check_byte_ok = collected.check_byte_holds(kTagCheck, kTagCheckSet);
    return frame;
}

} // namespace

HostFrame classify_host_frame(const QByteArray &collected)
{
    const WireReader frame(collected);
    switch (collected.size()) {
    case kShortCollected:
        return short_command(frame);
    case kAngleCollected:
        return angle_compensation(frame);
    case kTagCollected:
        return tag_record(frame);
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

} // namespace camera
