#include "session/pcapng.h"

#include <QtEndian>

namespace session
{
namespace
{

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void pad4(QByteArray &out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

void put_option(QByteArray &out, quint16 code, const QByteArray &value)
{
    put16(out, code);
    put16(out, quint16(value.size()));
    out.append(value);
    pad4(out);
}

// Wraps a block body with its type and its length, in front and behind.
QByteArray block(quint32 type, const QByteArray &body)
{
    const quint32 length = quint32(body.size() + 12);
    QByteArray out;
    out.reserve(int(length));
    put32(out, type);
    put32(out, length);
    out.append(body);
    put32(out, length);
    return out;
}

} // namespace

QByteArray section_header_block(const QString &application)
{
    QByteArray body;
    put32(body, kByteOrderMagic);
    put16(body, 1);          // major version
    put16(body, 0);          // minor version
    put32(body, 0xFFFFFFFF); // section length unknown
    put32(body, 0xFFFFFFFF);
    put_option(body, 4, application.toUtf8()); // shb_userappl
    put_option(body, 0, QByteArray());
    return block(kSectionHeaderType, body);
}

QByteArray interface_block(const QString &port_name, const QString &description)
{
    QByteArray body;
    put16(body, kLinkType);
    put16(body, 0);
    put32(body, 0);                             // no snap length
    put_option(body, 2, port_name.toUtf8());    // if_name
    put_option(body, 3, description.toUtf8());  // if_description
    put_option(body, 9, QByteArray(1, '\x06')); // if_tsresol: microseconds
    put_option(body, 0, QByteArray());
    return block(kInterfaceType, body);
}

QByteArray packet_block(qint64 time_us, bool inbound, const QByteArray &bytes)
{
    const QByteArray data = bytes.left(kMaxPacketBytes);
    const quint64 time = quint64(time_us);
    QByteArray body;
    body.reserve(data.size() + 40);
    put32(body, 0); // interface 0
    put32(body, quint32(time >> 32));
    put32(body, quint32(time));
    put32(body, quint32(data.size()));
    put32(body, quint32(data.size()));
    body.append(data);
    pad4(body);
    QByteArray flags;
    put32(flags, inbound ? kInboundFlag : kOutboundFlag);
    put_option(body, 2, flags); // epb_flags
    put_option(body, 0, QByteArray());
    return block(kPacketType, body);
}

} // namespace session
