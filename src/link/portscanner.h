#pragma once

#include "link/portidentity.h"

#include <QObject>
#include <QThread>
#include <QVector>

namespace ports
{

// The serial ports present, listed away from the window's thread: listing
// them reads every tty device's udev or sysfs entry, about 30 ms for the 68
// of a desktop machine, which at once a second is a visible stutter and most
// of an idle window's CPU. A device plugged in or out adds or removes a node
// under /dev, so the list is read again only then, within about a second, and
// once more a second later in case udev had not described the device yet.
class PortScanner : public QObject
{
    Q_OBJECT

public:
    // The first list is read here, on the caller's thread, so that it is
    // there from the start.
    explicit PortScanner(QObject *parent = nullptr);
    ~PortScanner() override;

    const QVector<PortIdentity> &ports() const
    {
        return listed;
    }

signals:
    // ports() differs from what it was.
    void ports_changed();

private:
    friend class PortScanWorker;
    void deliver(const QVector<PortIdentity> &ports);

    QThread thread;
    QVector<PortIdentity> listed;
};

} // namespace ports
