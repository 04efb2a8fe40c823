#include "protocol/reportdecoder.h"

#include <initializer_list>

namespace protocol
{

namespace
{

// The layouts are given by wire position, where byte 0 is the 0xFF that the
// collected frame does not keep. Every read is checked against the length.
class WireFrame
{
public:
    explicit WireFrame(const QByteArray &collected)
        : bytes(reinterpret_cast<const quint8 *>(collected.constData())),
          wire_size(collected.size() + 2)
    {
    }

    int size() const
    {
        return wire_size;
    }

    bool holds(int position) const
    {
        return position >= 1 && position < wire_size - 1;
    }

    quint8 at(int position) const
    {
        Q_ASSERT(holds(position));
        return bytes[position - 1];
    }

    int u16(int position) const
    {
        return at(position) * 256 + at(position + 1);
    }

    int u24(int position) const
    {
        return (at(position) * 256 + at(position + 1)) * 256 + at(position + 2);
    }

    // A sign byte (non-zero means negative) followed by a 16-bit magnitude.
    int signed16(int position) const
    {
        const int magnitude = u16(position + 1);
        return at(position) != 0 ? -magnitude : magnitude;
    }

    bool check_byte_holds(int check_position, std::initializer_list<int> positions) const
    {
        int sum = 0;
        for (int position : positions)
            sum += at(position);
        return at(check_position) == sum / int(positions.size());
    }

private:
    const quint8 *bytes;
    int wire_size;
};

constexpr int kErrorSize = 6;
constexpr int kCountSize = 9;
constexpr int kRecordAckSize = 7;
constexpr int kShortAckSize = 5;
constexpr int kTagSize = 18;
constexpr int kPositionSize = 22;
constexpr int kCodeListEntrySize = 11;
constexpr int kTwelveByteEntrySize = 12;
// Markers, the count byte and the trailing ignored byte of both lists.
constexpr int kListOverhead = 6;

Report of_kind(ReportKind kind)
{
    Report report;
    report.kind = kind;
    return report;
}

float signed_scaled(quint8 sign, int magnitude, float divisor)
{
    const float value = float(magnitude) / divisor;
    return sign != 0 ? -value : value;
}

Report count_report(const WireFrame &frame)
{
    Report report = of_kind(ReportKind::Count);
    report.first_count = frame.u16(3);
    report.second_count = frame.u16(5);
    return report;
}

Report record_ack(const WireFrame &frame)
{
    Report report = of_kind(ReportKind::RecordAck);
    report.code_id = frame.u16(2);
    return report;
}

Report short_ack(const WireFrame &frame)
{
    switch (frame.at(2)) {
    case 0xFA:
        return of_kind(ReportKind::StartAck);
    case 0xFB:
        return of_kind(ReportKind::EndAck);
    default:
        return of_kind(ReportKind::Dropped);
    }
}

Report code_list(const WireFrame &frame, int count)
{
    Report report = of_kind(ReportKind::CodeList);
    for (int k = 0; k < count; ++k) {
        const int at = 3 + kCodeListEntrySize * k;
        if (!frame.check_byte_holds(at + 10,
                                    {at, at + 1, at + 3, at + 4, at + 6, at + 7, at + 8, at + 9}))
            continue;
        CodeListEntry entry;
        entry.id = frame.u16(at);
        entry.first = signed_scaled(frame.at(at + 2), frame.u16(at + 3), 10.0f);
        entry.second = signed_scaled(frame.at(at + 5), frame.u16(at + 6), 10.0f);
        entry.third = double(frame.u16(at + 8)) / 10.0;
        report.code_list.append(entry);
    }
    return report;
}

Report tag_report(const WireFrame &frame)
{
    if (!frame.check_byte_holds(15, {2, 3, 5, 6, 8, 9, 10, 11, 13, 14}))
        return of_kind(ReportKind::Dropped);
    Report report = of_kind(ReportKind::Tag);
    report.tag.id = frame.u16(2);
    report.tag.x_cm = frame.signed16(4);
    report.tag.y_cm = frame.signed16(7);
    report.tag.side_mm = frame.u16(10);
    report.tag.angle_deg = frame.signed16(12);
    return report;
}

Report position_report(const WireFrame &frame)
{
    if (!frame.check_byte_holds(19, {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17}))
        return of_kind(ReportKind::Dropped);
    Report report = of_kind(ReportKind::Position);
    PositionReport &pose = report.position;
    pose.x = signed_scaled(frame.at(2), frame.u24(3), 10.0f);
    pose.y = signed_scaled(frame.at(6), frame.u24(7), 10.0f);
    pose.rotation_angle = float(frame.u16(10)) / 10.0f;
    pose.attitude_x = signed_scaled(frame.at(12), frame.u16(13), 100.0f);
    pose.attitude_y = signed_scaled(frame.at(15), frame.u16(16), 100.0f);
    return report;
}

// Both lists carry their entry count in byte 2, read as a signed byte: a
// "negative" count matches no length.
bool is_list_of(const WireFrame &frame, int entry_size)
{
    const int count = qint8(frame.at(2));
    return count >= 0 && frame.size() == entry_size * count + kListOverhead;
}

} // namespace

std::optional<Report> decode_report(const QByteArray &collected)
{
    const WireFrame frame(collected);
    const int size = frame.size();
    // The rules are tried in this order; the first that matches decides, so a
    // tag report whose id high byte is 0x01 is taken for a 12-byte list.
    if (size == kErrorSize && frame.at(2) == 0xFE)
        return of_kind(ReportKind::Error);
    if (size == kCountSize && frame.at(2) == 0xFD)
        return count_report(frame);
    if (size == kRecordAckSize)
        return record_ack(frame);
    if (size == kShortAckSize)
        return short_ack(frame);
    if (frame.holds(2) && is_list_of(frame, kCodeListEntrySize))
        return code_list(frame, frame.at(2));
    if (frame.holds(2) && is_list_of(frame, kTwelveByteEntrySize))
        return of_kind(ReportKind::Dropped);
    if (size == kTagSize)
        return tag_report(frame);
    if (size == kPositionSize)
        return position_report(frame);
    return std::nullopt;
}

} // namespace protocol
