#include "protocol/reportdecoder.h"

#include "protocol/wireframe.h"

namespace protocol
{

namespace
{

Report of_kind(ReportKind kind)
{
    Report report;
    report.kind = kind;
    return report;
}

Report failed_check()
{
    Report report = of_kind(ReportKind::Dropped);
    report.check_failed = true;
    return report;
}

float signed_scaled(quint8 sign, int magnitude, float divisor)
{
    const float value = float(magnitude) / divisor;
    return sign != 0 ? -value : value;
}

Report count_report(const WireReader &frame)
{
    Report report = of_kind(ReportKind::Count);
    report.first_count = frame.u16(kCountFirst);
    report.second_count = frame.u16(kCountSecond);
    return report;
}

Report record_ack(const WireReader &frame)
{
    Report report = of_kind(ReportKind::RecordAck);
    report.code_id = frame.u16(kRecordAckId);
    return report;
}

Report short_ack(const WireReader &frame)
{
    switch (frame.at(kKeyByte)) {
    case kTransferStartKey:
        return of_kind(ReportKind::StartAck);
    case kTransferEndKey:
        return of_kind(ReportKind::EndAck);
    default:
        return of_kind(ReportKind::Dropped);
    }
}

Report code_list(const WireReader &frame, int count)
{
    Report report = of_kind(ReportKind::CodeList);
    for (int k = 0; k < count; ++k) {
        const int at = kListFirstEntry + kCodeListEntrySize * k;
        if (!frame.check_byte_holds(at + kCodeCheck, kCodeCheckSet, at))
            continue;
        CodeListEntry entry;
        entry.id = frame.u16(at + kCodeId);
        entry.first =
            signed_scaled(frame.at(at + kCodeFirst), frame.u16(at + kCodeFirst + 1), 10.0f);
        entry.second =
            signed_scaled(frame.at(at + kCodeSecond), frame.u16(at + kCodeSecond + 1), 10.0f);
        entry.third = double(frame.u16(at + kCodeThird)) / 10.0;
        report.code_list.append(entry);
    }
    return report;
}

Report tag_report(const WireReader &frame)
{
    if (!frame.check_byte_holds(kTagCheck, kTagCheckSet))
        return failed_check();
    Report report = of_kind(ReportKind::Tag);
    report.tag = read_tag_frame(frame);
    return report;
}

Report position_report(const WireReader &frame)
{
    if (!frame.check_byte_holds(kPositionCheckByte, kPositionCheckSet))
        return failed_check();
    Report report = of_kind(ReportKind::Position);
    PositionReport &pose = report.position;
    pose.x = signed_scaled(frame.at(kPositionX), frame.u24(kPositionX + 1), 10.0f);
    pose.y = signed_scaled(frame.at(kPositionY), frame.u24(kPositionY + 1), 10.0f);
    pose.rotation_angle = float(frame.u16(kPositionRotation)) / 10.0f;
    pose.attitude_x =
        signed_scaled(frame.at(kPositionAttitudeX), frame.u16(kPositionAttitudeX + 1), 100.0f);
    pose.attitude_y =
        signed_scaled(frame.at(kPositionAttitudeY), frame.u16(kPositionAttitudeY + 1), 100.0f);
    return report;
}

// Both lists carry their entry count in byte 2, read as a signed byte: a
// "negative" count matches no length.
bool is_list_of(const WireReader &frame, int entry_size)
{
    const int count = qint8(frame.at(kListCount));
    return count >= 0 && frame.size() == entry_size * count + kListOverhead;
}

} // namespace

std::optional<Report> decode_report(const QByteArray &collected)
{
    const WireReader frame(collected);
    const int size = frame.size();
    // The rules are tried in this order; the first that matches decides, so a
    // tag report whose id high byte is 0x01 is taken for a 12-byte list.
    if (size == kErrorReportSize && frame.at(kKeyByte) == kErrorKey)
        return of_kind(ReportKind::Error);
    if (size == kCountReportSize && frame.at(kKeyByte) == kCountKey)
        return count_report(frame);
    if (size == kRecordAckSize)
        return record_ack(frame);
    if (size == kShortFrameSize)
        return short_ack(frame);
    if (frame.holds(kListCount) && is_list_of(frame, kCodeListEntrySize))
        return code_list(frame, frame.at(kListCount));
    if (frame.holds(kListCount) && is_list_of(frame, kTwelveByteEntrySize))
        return of_kind(ReportKind::Dropped);
    if (size == kTagFrameSize)
        return tag_report(frame);
    if (size == kPositionReportSize)
        return position_report(frame);
    return std::nullopt;
}

} // namespace protocol
