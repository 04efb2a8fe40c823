#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

class QSerialPortInfo;

namespace ports
{

// What tells one serial device from another when it comes back, perhaps under
// another name: a USB adapter gets the next free ttyUSB number if its old one
// is still held when it is plugged in again.
struct PortIdentity {
    QString port_name;
    QString system_location;
    QString serial_number;
    quint16 vendor = 0;
    quint16 product = 0;
    // Only USB (and some PCI) adapters report these.
    bool has_ids = false;
};

bool operator==(const PortIdentity &a, const PortIdentity &b);

PortIdentity identity_of(const QSerialPortInfo &info);

// A port that is not listed (a pseudo-terminal, a path the operator typed) is
// known only by its name.
PortIdentity identity_by_name(const QString &port_name);

// An adapter with a serial number is the same device whatever its name; one
// without is the same only under the same name; any other port is its name.
bool same_device(const PortIdentity &lost, const PortIdentity &seen);

// The identity in `ports` listed under `port_name`, or one by that name alone.
PortIdentity identity_in(const QVector<PortIdentity> &ports, const QString &port_name);

QStringList port_names(const QVector<PortIdentity> &ports);

} // namespace ports
