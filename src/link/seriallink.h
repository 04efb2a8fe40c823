#pragma once

#include "link/portidentity.h"
#include "link/portsettings.h"
#include "link/reconnectwatch.h"
#include "protocol/receiveloop.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QIODevice;
class QSerialPort;
class QTimer;

namespace netport
{
class NetworkPort;
}

namespace ports
{
class PortScanner;
}

namespace session
{
class SessionRecorder;
}

// The connection to one camera, with no widget in it: the port (a local serial
// port, or one behind a serial-to-network server named by its address) and its
// settings, the one receive loop, the session recorder's tap on both
// directions, and the watch for a lost port's return. The window and
// poscam-map each hold one and apply the reports it hands out.
namespace seriallink
{

class Link : public QObject
{
    Q_OBJECT

public:
    // The port is made a child of `port_owner` when one is given (the window
    // owns its `serial`), else of the link.
    explicit Link(QObject *port_owner = nullptr, QObject *parent = nullptr);
    ~Link() override;

    // The local serial port, whether or not it is the one in use.
    QSerialPort *port() const
    {
        return serial;
    }
    // The device read and written now: the serial port, or the network port
    // when the port name is a network address.
    QIODevice *io() const
    {
        return device_io;
    }
    session::SessionRecorder *recorder() const
    {
        return session_recorder;
    }

    // What the next open() applies; the window fills it from its boxes.
    PortSettings settings;
    // Every received byte goes through it; its state is the window's rx_*.
    protocol::ReceiveLoop receive;

    // Ports listed by the scanner are known by their adapter's identity, so
    // that a lost one is found again under another name. Without a scanner
    // a lost port is not watched for.
    void set_port_scanner(ports::PortScanner *scanner);

    // Applies `settings` and opens the port for reading and writing. The
    // port is locked: a second program, or a second link, cannot open it.
    // A network address is connected to within 5 s, its line set through
    // RFC 2217 for rfc2217://; an address that does not parse fails here.
    bool open();
    // Why the last open() failed, as the system says it.
    QString open_failure() const;
    // The same for the operator, for a network address; empty for a local
    // port, whose system text says all there is.
    QString open_failure_zh() const;
    bool is_open() const;
    // The identity of the port opened last, as it was listed then.
    const ports::PortIdentity &device() const
    {
        return open_device;
    }

    // Starts reading and, when `record` holds, a session file in the
    // sessions folder. Bytes that came since open() wait for the next arrival.
    void start_receiving(bool record = true);
    // What close() does with bytes written that the line has not taken yet.
    // On a pseudo-terminal, and in a USB adapter, dropping them drops a
    // command written just before.
    enum class Unsent { Drop, Deliver };
    // Stops reading and recording, drops what the port still buffers
    // (unread input always, unsent output unless told to deliver it) and
    // closes it; the receive loop starts afresh. Harmless when closed.
    void close(Unsent unsent = Unsent::Drop);
    // Ends a watch for a lost port: the operator connected or disconnected.
    void end_reconnect_watch();

    // Writes a whole frame; what the port took is recorded.
    qint64 write(const QByteArray &bytes);
    // Reads what the port holds, records it, and runs it through the loop;
    // each arrival does this while receiving.
    void read_available();
    // Bytes from elsewhere (a replay) through the same loop, unrecorded.
    void feed(const QByteArray &bytes);

signals:
    // Each read, before it is cut: the receive box echoes it.
    void received(const QByteArray &bytes);
    // Each decoded report, in stream order.
    void report(const protocol::Report &report);
    // The port failed for good while open (an adapter unplugged, a line hung
    // up) and is closed. `news` is false when it is the same loss going on
    // (it went again soon after the watch reopened it).
    void lost(const QString &port_name, bool news);
    // A lost port is open again under `port_name`; not yet receiving.
    void reopened(const QString &port_name);
    // The session file could not be started or written; recording stopped.
    void recording_stopped(const QString &reason);

private:
    bool open_network();
    void close_lost_port();
    void network_lost();
    void port_gone(const QString &port_name);
    void try_reopen();
    void network_reopened();

    QSerialPort *serial = nullptr;
    netport::NetworkPort *network = nullptr;
    QIODevice *device_io = nullptr;
    session::SessionRecorder *session_recorder = nullptr;
    ports::PortScanner *scanner = nullptr;
    QString failure;
    QString failure_zh;
    bool receiving = false;

    ports::PortIdentity open_device;
    ports::ReconnectWatch reconnect_watch;
    QTimer *reconnect_timer = nullptr;
    QElapsedTimer clock;
};

} // namespace seriallink
