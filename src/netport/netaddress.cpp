#include "netport/netaddress.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace netport
{

namespace
{

const QLatin1String kTcpScheme("tcp://");
const QLatin1String kRfc2217Scheme("rfc2217://");

// A host name as DNS allows it (letters, digits, hyphens and dots), or an IPv4
// literal, which has the same characters.
bool is_host_name(const QString &host)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^[A-Za-z0-9]([A-Za-z0-9-]{0,62})(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,62}))*\\.?$"));
    return host.size() <= 253 && pattern.match(host).hasMatch();
}

} // namespace

QString NetAddress::text() const
{
    const QString scheme = kind == Kind::Tcp ? kTcpScheme : kRfc2217Scheme;
    const QString shown =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return scheme + shown + QLatin1Char(':') + QString::number(port);
}

bool operator==(const NetAddress &a, const NetAddress &b)
{
    return a.kind == b.kind && a.host == b.host && a.port == b.port;
}

bool is_network_name(const QString &name)
{
    return name.contains(QLatin1String("://"));
}

ParsedAddress parse_address(const QString &name)
{
    ParsedAddress parsed;
    if (!is_network_name(name))
        return parsed;
    NetAddress address;
    QString rest;
    if (name.startsWith(kTcpScheme, Qt::CaseInsensitive)) {
        address.kind = NetAddress::Kind::Tcp;
        rest = name.mid(kTcpScheme.size());
    } else if (name.startsWith(kRfc2217Scheme, Qt::CaseInsensitive)) {
        address.kind = NetAddress::Kind::Rfc2217;
        rest = name.mid(kRfc2217Scheme.size());
    } else {
        parsed.error = AddressError::UnknownScheme;
        return parsed;
    }

    QString port_text;
    if (rest.startsWith(QLatin1Char('['))) {
        const int close = rest.indexOf(QLatin1Char(']'));
        if (close < 0) {
            parsed.error = AddressError::BadHost;
            return parsed;
        }
        address.host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.startsWith(QLatin1Char(':'))) {
            parsed.error = after.isEmpty() ? AddressError::MissingPort : AddressError::BadPort;
            return parsed;
        }
        port_text = after.mid(1);
        if (address.host.isEmpty()) {
            parsed.error = AddressError::MissingHost;
            return parsed;
        }
        const QHostAddress literal(address.host);
        if (literal.protocol() != QAbstractSocket::IPv6Protocol) {
            parsed.error = AddressError::BadHost;
            return parsed;
        }
    } else {
        const int colon = rest.lastIndexOf(QLatin1Char(':'));
        if (colon < 0) {
            parsed.error = rest.isEmpty() ? AddressError::MissingHost : AddressError::MissingPort;
            return parsed;
        }
        address.host = rest.left(colon);
        port_text = rest.mid(colon + 1);
        if (address.host.isEmpty()) {
            parsed.error = AddressError::MissingHost;
            return parsed;
        }
        if (!is_host_name(address.host)) {
            parsed.error = AddressError::BadHost;
            return parsed;
        }
    }

    if (port_text.isEmpty()) {
        parsed.error = AddressError::MissingPort;
        return parsed;
    }
    // Digits only: toUInt would also take "+80" or " 80".
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    bool ok = false;
    const uint port = port_text.toUInt(&ok, 10);
    if (!digits.match(port_text).hasMatch() || !ok || port == 0 || port > 65535) {
        parsed.error = AddressError::BadPort;
        return parsed;
    }
    address.port = quint16(port);
    parsed.address = address;
    return parsed;
}

QString address_error_text(AddressError error, const QString &name)
{
    switch (error) {
    case AddressError::NotNetwork:
        return QStringLiteral(
                   "%1 is not a network address (tcp://HOST:PORT or rfc2217://HOST:PORT)")
            .arg(name);
    case AddressError::UnknownScheme:
        return QStringLiteral("%1: unknown kind of network port; use tcp:// or rfc2217://")
            .arg(name);
    case AddressError::MissingHost:
        return QStringLiteral("%1: the host is missing").arg(name);
    case AddressError::MissingPort:
        return QStringLiteral("%1: the port number is missing").arg(name);
    case AddressError::BadPort:
        return QStringLiteral("%1: the port number must be from 1 to 65535").arg(name);
    case AddressError::BadHost:
        return QStringLiteral("%1: the host is not a host name or an IP address").arg(name);
    }
    return name;
}

QString address_error_text_zh(AddressError error, const QString &name)
{
    switch (error) {
    case AddressError::NotNetwork:
        return QStringLiteral("%1 不是网络地址（tcp://主机:端口 或 rfc2217://主机:端口）")
            .arg(name);
    case AddressError::UnknownScheme:
        return QStringLiteral("%1：未知的网络串口类型，请用 tcp:// 或 rfc2217://").arg(name);
    case AddressError::MissingHost:
        return QStringLiteral("%1：缺少主机").arg(name);
    case AddressError::MissingPort:
        return QStringLiteral("%1：缺少端口号").arg(name);
    case AddressError::BadPort:
        return QStringLiteral("%1：端口号须在 1 到 65535 之间").arg(name);
    case AddressError::BadHost:
        return QStringLiteral("%1：主机既不是主机名也不是 IP 地址").arg(name);
    }
    return name;
}

} // namespace netport
