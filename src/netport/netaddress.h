#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace netport
{

// A serial port that a serial-to-network server (ser2net and the like) brings
// out to the network. Raw TCP carries the line's bytes as they are and leaves
// the port settings to the server; RFC 2217 is telnet with the COM-PORT option,
// through which the client sets the remote port as it would a local one.
struct NetAddress {
    enum class Kind { Tcp, Rfc2217 };
    Kind kind = Kind::Tcp;
    QString host;
    quint16 port = 0;

    // The address as the operator writes it, and as sessions and ledgers name
    // the port: "tcp://host:port", "rfc2217://[::1]:port".
    QString text() const;
};

bool operator==(const NetAddress &a, const NetAddress &b);

enum class AddressError { NotNetwork, UnknownScheme, MissingHost, MissingPort, BadPort, BadHost };

struct ParsedAddress {
    std::optional<NetAddress> address;
    AddressError error = AddressError::NotNetwork;
};

// Whether `name` is written as a network address at all ("scheme://..."),
// which a device path never is.
bool is_network_name(const QString &name);

// Parses "tcp://HOST:PORT" or "rfc2217://HOST:PORT"; an IPv6 host is written in
// brackets. Nothing is looked up or connected here.
ParsedAddress parse_address(const QString &name);

// Why an address was refused, for the command line and for the window.
QString address_error_text(AddressError error, const QString &name);
QString address_error_text_zh(AddressError error, const QString &name);

} // namespace netport
