#include "link/portidentity.h"

#include <QSerialPortInfo>
#include <QStringList>

namespace ports
{

bool operator==(const PortIdentity &a, const PortIdentity &b)
{
    return a.port_name == b.port_name && a.system_location == b.system_location &&
           a.serial_number == b.serial_number && a.has_ids == b.has_ids && a.vendor == b.vendor &&
           a.product == b.product;
}

PortIdentity identity_of(const QSerialPortInfo &info)
{
    PortIdentity identity;
    identity.port_name = info.portName();
    identity.system_location = info.systemLocation();
    identity.serial_number = info.serialNumber();
    identity.has_ids = info.hasVendorIdentifier() && info.hasProductIdentifier();
    if (identity.has_ids) {
        identity.vendor = info.vendorIdentifier();
        identity.product = info.productIdentifier();
    }
    return identity;
}

PortIdentity identity_by_name(const QString &port_name)
{
    PortIdentity identity;
    identity.port_name = port_name;
    // As QSerialPort resolves a name: a bare name is a device under /dev.
    identity.system_location =
        port_name.startsWith(QLatin1Char('/')) ? port_name : QStringLiteral("/dev/") + port_name;
    return identity;
}

bool same_device(const PortIdentity &lost, const PortIdentity &seen)
{
    if (!lost.has_ids)
        return seen.port_name == lost.port_name;
    if (!seen.has_ids || seen.vendor != lost.vendor || seen.product != lost.product)
        return false;
    if (!lost.serial_number.isEmpty())
        return seen.serial_number == lost.serial_number;
    return seen.serial_number.isEmpty() && seen.port_name == lost.port_name;
}

PortIdentity identity_in(const QVector<PortIdentity> &ports, const QString &port_name)
{
    for (const PortIdentity &port : ports) {
        if (port.port_name == port_name || port.system_location == port_name)
            return port;
    }
    return identity_by_name(port_name);
}

QStringList port_names(const QVector<PortIdentity> &ports)
{
    QStringList names;
    for (const PortIdentity &port : ports)
        names << port.port_name;
    return names;
}

} // namespace ports
