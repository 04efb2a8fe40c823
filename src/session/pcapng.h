#pragma once

#include <QByteArray>
#include <QString>

// The blocks of a session file, in the capture format Wireshark and tshark
// read (pcapng): one section header, one interface for the serial line, one
// enhanced packet block for each piece of the line's traffic. Little-endian
// throughout, timestamps in microseconds since the epoch.
namespace session
{

constexpr quint32 kSectionHeaderType = 0x0A0D0D0A;
constexpr quint32 kInterfaceType = 0x00000001;
constexpr quint32 kPacketType = 0x00000006;
constexpr quint32 kByteOrderMagic = 0x1A2B3C4D;
// LINKTYPE_USER0: raw bytes of a link no dissector claims.
constexpr quint16 kLinkType = 147;
// The direction bits of epb_flags.
constexpr quint32 kInboundFlag = 1;
constexpr quint32 kOutboundFlag = 2;
// A reader refuses any block longer than this, without reading it; the
// recorder splits longer pieces of traffic to stay below it.
constexpr quint32 kMaxBlockBytes = 1 << 20;
constexpr int kMaxPacketBytes = kMaxBlockBytes - 64;

QByteArray section_header_block(const QString &application);
// `description` is the line settings, e.g. "115200 8N1 无流控".
QByteArray interface_block(const QString &port_name, const QString &description);
// At most kMaxPacketBytes of `bytes`.
QByteArray packet_block(qint64 time_us, bool inbound, const QByteArray &bytes);

} // namespace session
