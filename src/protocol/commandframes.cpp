#include "protocol/commandframes.h"

#include "protocol/wireframe.h"

#include <cstdlib>

namespace protocol
{

QByteArray short_frame(quint8 key)
{
    WireWriter frame(kShortFrameSize);
    frame.put(kKeyByte, key);
    return frame.take();
}

QByteArray angle_frame(bool compensation_on)
{
    WireWriter frame(kAngleFrameSize);
    for (int k = 0; k < int(kAngleFixedBytes.size()); ++k)
        frame.put(kAngleFixedFrom + k, kAngleFixedBytes[k]);
    frame.put(kAngleSwitch, compensation_on ? 0x01 : 0x00);
    frame.put_check_byte(kAngleCheck, kAngleCheckSet);
    return frame.take();
}

QByteArray record_frame_template()
{
    return WireWriter(kTagFrameSize).take();
}

void fill_record_frame(QByteArray &frame, const TagRecord &record)
{
    Q_ASSERT(frame.size() == kTagFrameSize);
    WireWriter writer(std::move(frame));
    // The id travels as its magnitude: the table's conversion makes it positive.
    writer.put_u16(kTagId, quint32(std::abs(qint64(record.id))));
    writer.put_signed16(kTagX, record.x_cm);
    writer.put_signed16(kTagY, record.y_cm);
    writer.put_u16(kTagSide, quint32(record.side_mm));
    writer.put_signed16(kTagAngle, record.angle_deg);
    writer.put_check_byte(kTagCheck, kTagCheckSet);
    frame = writer.take();
}

int marker_inside_frame(const QByteArray &frame)
{
    for (int at = 1; at + 2 < frame.size(); ++at) {
        const quint8 first = quint8(frame.at(at));
        const quint8 second = quint8(frame.at(at + 1));
        if ((first == kMarkerFF && second == kMarkerFE) ||
            (first == kMarkerFE && second == kMarkerFF))
            return at;
    }
    return -1;
}

int record_frame_column(int position)
{
    const int starts[] = {kTagId, kTagX, kTagY, kTagSide, kTagAngle, kTagCheck};
    for (int column = 0; column < 5; ++column)
        if (position >= starts[column] && position < starts[column + 1])
            return column;
    return -1;
}

} // namespace protocol
