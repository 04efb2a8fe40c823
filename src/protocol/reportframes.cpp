#include "protocol/reportframes.h"

#include "protocol/commandframes.h"

#include <cstdlib>

namespace protocol
{

namespace
{

QByteArray empty_frame(int size)
{
    QByteArray frame(size, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFE);
    frame[size - 2] = char(0xFE);
    frame[size - 1] = char(0xFF);
    return frame;
}

void put_u16(QByteArray &frame, int at, quint32 value)
{
    frame[at] = char((value >> 8) & 0xFF);
    frame[at + 1] = char(value & 0xFF);
}

void put_u24(QByteArray &frame, int at, quint32 value)
{
    frame[at] = char((value >> 16) & 0xFF);
    put_u16(frame, at + 1, value);
}

quint32 magnitude(qint32 value)
{
    return quint32(std::abs(qint64(value)));
}

void put_sign(QByteArray &frame, int at, qint32 value)
{
    frame[at] = char(value < 0 ? 1 : 0);
}

} // namespace

QByteArray error_report(quint8 value)
{
    QByteArray frame = empty_frame(6);
    frame[2] = char(kErrorKey);
    frame[3] = char(value);
    return frame;
}

QByteArray count_report(quint16 first_count, quint16 second_count)
{
    QByteArray frame = empty_frame(9);
    frame[2] = char(kCountKey);
    put_u16(frame, 3, first_count);
    put_u16(frame, 5, second_count);
    return frame;
}

QByteArray record_ack(quint16 code_id, quint8 extra)
{
    QByteArray frame = empty_frame(7);
    put_u16(frame, 2, code_id);
    frame[4] = char(extra);
    return frame;
}

QByteArray start_ack()
{
    return short_frame(kTransferStartKey);
}

QByteArray end_ack()
{
    return short_frame(kTransferEndKey);
}

QByteArray code_list_report(const QVector<CodeListRecord> &entries, quint8 ignored)
{
    const int n = qMin(entries.size(), kMaxCodeListEntries);
    QByteArray frame = empty_frame(11 * n + 6);
    frame[2] = char(n);
    for (int k = 0; k < n; ++k) {
        const CodeListRecord &entry = entries.at(k);
        const int at = 3 + 11 * k;
        put_u16(frame, at, entry.id);
        put_sign(frame, at + 2, entry.first_tenths);
        put_u16(frame, at + 3, magnitude(entry.first_tenths));
        put_sign(frame, at + 5, entry.second_tenths);
        put_u16(frame, at + 6, magnitude(entry.second_tenths));
        put_u16(frame, at + 8, entry.third_tenths);
        frame[at + 10] = char(
            mean_check_byte(frame, {at, at + 1, at + 3, at + 4, at + 6, at + 7, at + 8, at + 9}));
    }
    frame[11 * n + 3] = char(ignored);
    return frame;
}

QByteArray tag_report(const TagRecord &record)
{
    QByteArray frame = record_frame_template();
    fill_record_frame(frame, record);
    return frame;
}

QByteArray position_report(const PositionFields &pose, quint8 ignored)
{
    QByteArray frame = empty_frame(kPositionReportSize);
    put_sign(frame, 2, pose.x_tenths);
    put_u24(frame, 3, magnitude(pose.x_tenths));
    put_sign(frame, 6, pose.y_tenths);
    put_u24(frame, 7, magnitude(pose.y_tenths));
    put_u16(frame, 10, pose.rotation_tenths);
    put_sign(frame, 12, pose.attitude_x_hundredths);
    put_u16(frame, 13, magnitude(pose.attitude_x_hundredths));
    put_sign(frame, 15, pose.attitude_y_hundredths);
    put_u16(frame, 16, magnitude(pose.attitude_y_hundredths));
    frame[18] = char(ignored);
    frame[kPositionCheckByte] =
        char(mean_check_byte(frame, {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17}));
    return frame;
}

} // namespace protocol
