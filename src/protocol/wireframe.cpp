#include "protocol/wireframe.h"

#include <cstdlib>

namespace protocol
{

namespace
{

quint32 magnitude(qint32 value)
{
    return quint32(std::abs(qint64(value)));
}

} // namespace

WireWriter::WireWriter(int size) : bytes(size, '\0')
{
    put(0, kMarkerFF);
    put(1, kMarkerFE);
    put(size - 2, kMarkerFE);
    put(size - 1, kMarkerFF);
}

void WireWriter::put_u16(int position, quint32 value)
{
    put(position, quint8((value >> 8) & 0xFF));
    put(position + 1, quint8(value & 0xFF));
}

void WireWriter::put_u24(int position, quint32 value)
{
    put(position, quint8((value >> 16) & 0xFF));
    put_u16(position + 1, value);
}

void WireWriter::put_signed16(int position, qint32 value)
{
    put(position, value < 0 ? 1 : 0);
    put_u16(position + 1, magnitude(value));
}

TagRecord read_tag_frame(const WireReader &frame)
{
    TagRecord record;
    record.id = frame.u16(kTagId);
    record.x_cm = frame.signed16(kTagX);
    record.y_cm = frame.signed16(kTagY);
    record.side_mm = frame.u16(kTagSide);
    record.angle_deg = frame.signed16(kTagAngle);
    return record;
}

void WireWriter::put_signed24(int position, qint32 value)
{
    put(position, value < 0 ? 1 : 0);
    put_u24(position + 1, magnitude(value));
}

} // namespace protocol
