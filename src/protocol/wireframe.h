#pragma once

#include "protocol/tagrecord.h"
#include "protocol/wirelayout.h"

#include <QByteArray>
#include <array>

// The one reader and the one writer of frame bytes, both by wire position
// (see wirelayout.h), for every encoder and decoder on either side.
namespace protocol
{

// Reads a collected frame: the wire frame without its first and last byte,
// so collected byte k is wire byte k + 1.
class WireReader
{
public:
    explicit WireReader(const QByteArray &collected)
        : bytes(reinterpret_cast<const quint8 *>(collected.constData())),
          wire_size(collected.size() + 2)
    {
    }

    int size() const
    {
        return wire_size;
    }

    // Whether the collected frame holds wire position `position`.
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
        return u16(position) * 256 + at(position + 2);
    }

    // A sign byte (non-zero means negative) and the 16-bit magnitude after it.
    int signed16(int position) const
    {
        const int magnitude = u16(position + 1);
        return at(position) != 0 ? -magnitude : magnitude;
    }

    // Whether the byte at `check` is the truncated mean of the bytes at
    // `base` + each offset of `set`.
    template <std::size_t N>
    bool check_byte_holds(int check, const std::array<int, N> &set, int base = 0) const
    {
        int sum = 0;
        for (int offset : set)
            sum += at(base + offset);
        return at(check) == sum / int(N);
    }

private:
    const quint8 *bytes;
    int wire_size;
};

// Writes a whole wire frame of a fixed size, markers in place.
class WireWriter
{
public:
    // `size` bytes: FF FE, zeros, FE FF.
    explicit WireWriter(int size);
    // Writes into an existing frame, which keeps its size.
    explicit WireWriter(QByteArray &&frame) : bytes(std::move(frame)) {}

    void put(int position, quint8 value)
    {
        bytes[position] = char(value);
    }
    void put_u16(int position, quint32 value);
    void put_u24(int position, quint32 value);
    // A sign byte (1 when negative) and the magnitude in 16 bits after it.
    void put_signed16(int position, qint32 value);
    // A sign byte and the magnitude in 24 bits after it.
    void put_signed24(int position, qint32 value);

    // Stores at `check` the truncated mean of the bytes at `base` + each
    // offset of `set`.
    template <std::size_t N>
    void put_check_byte(int check, const std::array<int, N> &set, int base = 0)
    {
        unsigned sum = 0;
        for (int offset : set)
            sum += quint8(bytes.at(base + offset));
        put(check, quint8(sum / unsigned(N)));
    }

    QByteArray take()
    {
        return std::move(bytes);
    }

private:
    QByteArray bytes;
};

// The fields of a collected tag frame (the host's record or the camera's tag
// report): the id as its 16-bit magnitude, the signed values with their sign
// bytes applied. The frame must be kTagFrameSize bytes on the wire.
TagRecord read_tag_frame(const WireReader &frame);

} // namespace protocol
