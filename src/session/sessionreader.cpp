#include "session/sessionreader.h"

#include "session/pcapng.h"

#include <QIODevice>
#include <QtEndian>

namespace session
{
namespace
{

quint32 get32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 get16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

int padded(int length)
{
    return (length + 3) & ~3;
}

// Calls `take(code, value)` for each option from `at`, up to the end option
// or the end of the body; false if an option runs past the body.
template <typename Take> bool walk_options(const QByteArray &body, int at, Take take)
{
    while (at + 4 <= body.size()) {
        const quint16 code = get16(body, at);
        const int length = get16(body, at + 2);
        if (code == 0)
            return true;
        if (at + 4 + length > body.size())
            return false;
        take(code, body.mid(at + 4, length));
        at += 4 + padded(length);
    }
    return at == body.size();
}

} // namespace

bool SessionReader::fail(const QString &text)
{
    error_text = text;
    return false;
}

SessionReader::Block SessionReader::read_block(quint32 &type, QByteArray &body)
{
    const QByteArray head = device->read(8);
    if (head.isEmpty())
        return Block::End;
    if (head.size() < 8) {
        cut_short = true;
        return Block::End;
    }
    type = get32(head, 0);
    const quint32 length = get32(head, 4);
    if (length < 12 || length % 4 != 0) {
        fail(
            QStringLiteral("block of %1 bytes: a block length must be a multiple of 4, at least 12")
                .arg(length));
        return Block::Error;
    }
    if (length > kMaxBlockBytes) {
        fail(QStringLiteral("block of %1 bytes: longer than any session block (%2 bytes at most)")
                 .arg(length)
                 .arg(kMaxBlockBytes));
        return Block::Error;
    }
    const QByteArray rest = device->read(length - 8);
    if (rest.size() < int(length - 8)) {
        cut_short = true;
        return Block::End;
    }
    if (get32(rest, rest.size() - 4) != length) {
        fail(QStringLiteral("block of %1 bytes ends with another length (%2)")
                 .arg(length)
                 .arg(get32(rest, rest.size() - 4)));
        return Block::Error;
    }
    body = rest.left(rest.size() - 4);
    return Block::Read;
}

bool SessionReader::read_interface(const QByteArray &body)
{
    if (body.size() < 8)
        return fail(QStringLiteral("interface description too short"));
    const quint16 link_type = get16(body, 0);
    if (link_type != kLinkType)
        return fail(QStringLiteral("link type %1: a poscam session has link type %2")
                        .arg(link_type)
                        .arg(kLinkType));
    bool microseconds = true;
    const bool options_fit = walk_options(body, 8, [&](quint16 code, const QByteArray &value) {
        if (code == 2)
            port = QString::fromUtf8(value);
        else if (code == 3)
            settings = QString::fromUtf8(value);
        else if (code == 9)
            microseconds = value.size() == 1 && value.at(0) == 6;
    });
    if (!options_fit)
        return fail(QStringLiteral("interface description: an option runs past its block"));
    if (!microseconds)
        return fail(QStringLiteral("timestamps are not in microseconds"));
    return true;
}

bool SessionReader::open(QIODevice *source)
{
    device = source;
    error_text.clear();
    cut_short = false;
    const QByteArray head = device->peek(12);
    if (head.size() < 12 || get32(head, 0) != kSectionHeaderType)
        return fail(QStringLiteral("not a pcapng file"));
    if (get32(head, 8) != kByteOrderMagic)
        return fail(QStringLiteral("not a little-endian pcapng file"));

    quint32 type = 0;
    QByteArray body;
    if (read_block(type, body) != Block::Read)
        return fail(error_text.isEmpty() ? QStringLiteral("truncated section header") : error_text);
    if (body.size() < 16)
        return fail(QStringLiteral("section header too short"));
    if (get16(body, 4) != 1)
        return fail(QStringLiteral("pcapng version %1 is not 1").arg(get16(body, 4)));
    for (;;) {
        const Block block = read_block(type, body);
        if (block == Block::Error)
            return false;
        if (block == Block::End)
            return fail(QStringLiteral("truncated before its interface description"));
        if (type == kInterfaceType)
            return read_interface(body);
        if (type == kSectionHeaderType || type == kPacketType)
            return fail(QStringLiteral("packets before any interface description"));
    }
}

SessionReader::Next SessionReader::next(SessionPacket &packet)
{
    if (!device || !error_text.isEmpty())
        return Next::Error;
    for (;;) {
        quint32 type = 0;
        QByteArray body;
        const Block block = read_block(type, body);
        if (block == Block::End)
            return Next::End;
        if (block == Block::Error)
            return Next::Error;
        if (type == kSectionHeaderType || type == kInterfaceType) {
            fail(QStringLiteral("more than one section or interface: not a poscam session"));
            return Next::Error;
        }
        if (type != kPacketType)
            continue; // comments, statistics: not the line's traffic
        if (body.size() < 20) {
            fail(QStringLiteral("packet block too short"));
            return Next::Error;
        }
        const quint32 captured = get32(body, 12);
        if (get32(body, 0) != 0 || captured > quint32(body.size() - 20)) {
            fail(QStringLiteral("packet block with another interface or a length past its end"));
            return Next::Error;
        }
        quint32 flags = 0;
        const bool options_fit = walk_options(body, 20 + padded(int(captured)),
                                              [&](quint16 code, const QByteArray &value) {
                                                  if (code == 2 && value.size() == 4)
                                                      flags = get32(value, 0);
                                              });
        const quint32 direction = flags & 3;
        if (!options_fit || (direction != kInboundFlag && direction != kOutboundFlag)) {
            fail(QStringLiteral("packet block without a direction"));
            return Next::Error;
        }
        packet.time_us = qint64((quint64(get32(body, 4)) << 32) | get32(body, 8));
        packet.inbound = direction == kInboundFlag;
        packet.bytes = body.mid(20, int(captured));
        return Next::Packet;
    }
}

} // namespace session
