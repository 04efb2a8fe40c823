#include "protocol/commandframes.h"

#include <cstdlib>

namespace protocol
{

namespace
{

void put_u16(QByteArray &frame, int at, quint32 value)
{
    frame[at] = char((value >> 8) & 0xFF);
    frame[at + 1] = char(value & 0xFF);
}

void put_signed(QByteArray &frame, int at, qint32 value)
{
    frame[at] = char(value < 0 ? 1 : 0);
    put_u16(frame, at + 1, quint32(std::abs(qint64(value))));
}

} // namespace

quint8 mean_check_byte(const QByteArray &frame, std::initializer_list<int> positions)
{
    unsigned sum = 0;
    for (int at : positions)
        sum += quint8(frame.at(at));
    return quint8(sum / unsigned(positions.size()));
}

QByteArray short_frame(quint8 key)
{
    QByteArray frame("\xFF\xFE\x00\xFE\xFF", 5);
    frame[2] = char(key);
    return frame;
}

QByteArray angle_frame(bool compensation_on)
{
    QByteArray frame("\xFF\xFE\x0A\x0B\x0C\x0D\x0E\x0F\x01\x00\x00\xFE\xFF", kAngleFrameSize);
    frame[9] = char(compensation_on ? 0x01 : 0x00);
    frame[10] = char(mean_check_byte(frame, {3, 4, 6, 7, 8, 9}));
    return frame;
}

QByteArray record_frame_template()
{
    QByteArray frame(kRecordFrameSize, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFE);
    frame[16] = char(0xFE);
    frame[17] = char(0xFF);
    return frame;
}

void fill_record_frame(QByteArray &frame, const TagRecord &record)
{
    Q_ASSERT(frame.size() == kRecordFrameSize);
    put_u16(frame, 2, quint32(std::abs(qint64(record.id))));
    put_signed(frame, 4, record.x_cm);
    put_signed(frame, 7, record.y_cm);
    put_u16(frame, 10, quint32(record.side_mm));
    put_signed(frame, 12, record.angle_deg);
    frame[15] = char(mean_check_byte(frame, {2, 3, 5, 6, 8, 9, 10, 11, 13, 14}));
}

int marker_inside_frame(const QByteArray &frame)
{
    for (int at = 1; at + 2 < frame.size(); ++at) {
        const quint8 first = quint8(frame.at(at));
        const quint8 second = quint8(frame.at(at + 1));
        if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF))
            return at;
    }
    return -1;
}

int record_frame_column(int position)
{
    // Code id in bytes 2-3, then x, y, side length and angle, sign byte first
    // where they have one; the check byte follows.
    static const int columns[kRecordFrameSize] = {-1, -1, 0, 0, 1, 1, 1,  2,  2,
                                                  2,  3,  3, 4, 4, 4, -1, -1, -1};
    return position >= 0 && position < kRecordFrameSize ? columns[position] : -1;
}

} // namespace protocol
