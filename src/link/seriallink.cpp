#include "link/seriallink.h"

#include "link/portscanner.h"
#include "netport/netaddress.h"
#include "netport/networkport.h"
#include "session/sessionfolder.h"
#include "session/sessionrecorder.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

namespace seriallink
{

namespace
{

// A lost device that is back is opened within about this.
constexpr int kReconnectTickMs = 250;

// An unplugged adapter or a hung-up line. Qt reports a hung-up line as a
// read error on every pass of the event loop for as long as the port stays
// open, so either ends the connection.
bool is_port_loss(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

// Without a scanner's list: the adapter's identity when the system lists the
// port, else its name alone.
ports::PortIdentity identity_of_open_port(const QString &port_name)
{
    const QSerialPortInfo info(port_name);
    ports::PortIdentity identity =
        info.isNull() ? ports::identity_by_name(port_name) : ports::identity_of(info);
    identity.port_name = port_name;
    return identity;
}

} // namespace

Link::Link(QObject *port_owner, QObject *parent) : QObject(parent)
{
    serial = new QSerialPort(port_owner ? port_owner : this);
    network = new netport::NetworkPort(this);
    device_io = serial;
    session_recorder = new session::SessionRecorder(this);
    connect(session_recorder, &session::SessionRecorder::failed, this, &Link::recording_stopped);
    receive.on_report = [this](const protocol::Report &decoded) { emit report(decoded); };

    // Queued: the port is closed outside QSerialPort's own read handler, which
    // still touches its buffer after reporting the error.
    connect(serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (is_port_loss(error))
            QMetaObject::invokeMethod(this, &Link::close_lost_port, Qt::QueuedConnection);
    });
    // Queued for the same reason: the connection is closed outside the
    // socket's own handler.
    connect(network, &netport::NetworkPort::lost, this,
            [this] { QMetaObject::invokeMethod(this, &Link::network_lost, Qt::QueuedConnection); });
    // Only the watch for a lost address opens in the background; an attempt
    // that fails is tried again on a later tick.
    connect(network, &netport::NetworkPort::opened, this, &Link::network_reopened);
    clock.start();
    reconnect_timer = new QTimer(this);
    reconnect_timer->setInterval(kReconnectTickMs);
    connect(reconnect_timer, &QTimer::timeout, this, &Link::try_reopen);
}

Link::~Link()
{
    // The port may outlive the link as its owner's child: it must not call
    // back into a link that is gone.
    if (serial && serial->parent() != this)
        serial->disconnect(this);
}

void Link::set_port_scanner(ports::PortScanner *port_scanner)
{
    scanner = port_scanner;
    // An adapter that is listed again is opened without waiting for a tick.
    connect(scanner, &ports::PortScanner::ports_changed, this, [this] {
        if (reconnect_timer->isActive())
            try_reopen();
    });
}

bool Link::open()
{
    failure_zh.clear();
    if (netport::is_network_name(settings.port_name))
        return open_network();
    device_io = serial;
    apply_settings(*serial, settings);
    if (!serial->open(QIODevice::ReadWrite)) {
        failure = serial->errorString();
        return false;
    }
    failure.clear();
    // Known as the list showed it, since a lost device is no longer listed.
    open_device = scanner ? ports::identity_in(scanner->ports(), settings.port_name)
                          : identity_of_open_port(settings.port_name);
    return true;
}

bool Link::open_network()
{
    const QString &name = settings.port_name;
    const netport::ParsedAddress parsed = netport::parse_address(name);
    if (!parsed.address) {
        failure = netport::address_error_text(parsed.error, name);
        failure_zh = netport::address_error_text_zh(parsed.error, name);
        return false;
    }
    device_io = network;
    network->set_address(*parsed.address);
    network->set_line_settings(line_settings(settings));
    if (!network->open(QIODevice::ReadWrite)) {
        failure = network->errorString();
        // The address is named by whoever shows the failure.
        const QString prefix = parsed.address->text() + QStringLiteral(": ");
        if (failure.startsWith(prefix))
            failure = failure.mid(prefix.size());
        failure_zh = network->failure_zh();
        return false;
    }
    failure.clear();
    open_device = ports::identity_by_name(name);
    return true;
}

QString Link::open_failure() const
{
    return failure;
}

QString Link::open_failure_zh() const
{
    return failure_zh;
}

bool Link::is_open() const
{
    return device_io->isOpen();
}

void Link::start_receiving(bool record)
{
    if (record) {
        const QString folder = session::sessions_folder();
        session::prune_sessions(folder, session::kMaxFolderBytes);
        const QString port_name = device_io == serial ? serial->portName() : open_device.port_name;
        if (!session_recorder->start(folder, port_name, settings_text(settings)))
            emit recording_stopped(session_recorder->failure());
    }
    if (!receiving)
        connect(device_io, &QIODevice::readyRead, this, &Link::read_available);
    receiving = true;
}

void Link::close(Unsent unsent)
{
    disconnect(device_io, &QIODevice::readyRead, this, &Link::read_available);
    receiving = false;
    session_recorder->stop();
    if (device_io == serial) {
        if (serial->isOpen())
            serial->clear(unsent == Unsent::Drop ? QSerialPort::AllDirections : QSerialPort::Input);
        serial->close();
    } else {
        network->close();
    }
    receive.reset();
}

void Link::end_reconnect_watch()
{
    reconnect_watch.end();
    reconnect_timer->stop();
    if (network->is_opening())
        network->close();
}

qint64 Link::write(const QByteArray &bytes)
{
    const qint64 written = device_io->write(bytes);
    if (written > 0)
        session_recorder->record(false, bytes.left(int(written)));
    return written;
}

void Link::feed(const QByteArray &bytes)
{
    receive.feed(bytes);
}

void Link::read_available()
{
    if (!device_io->isOpen())
        return;
    const QByteArray bytes = device_io->readAll();
    if (bytes.isEmpty())
        return;
    session_recorder->record(true, bytes);
    emit received(bytes);
    receive.feed(bytes);
}

void Link::close_lost_port()
{
    // Several reports of the same loss may have been queued; the first closes
    // the port, and a port opened since has no error.
    if (device_io != serial || !serial->isOpen() || !is_port_loss(serial->error()))
        return;
    port_gone(serial->portName());
}

void Link::network_lost()
{
    // A loss reported before the operator closed the port, or before it was
    // opened again, is over.
    if (device_io != network || !network->isOpen() || network->is_opening())
        return;
    port_gone(open_device.port_name);
}

void Link::port_gone(const QString &port_name)
{
    close();
    bool news = true;
    if (scanner) {
        news = reconnect_watch.port_lost(open_device, clock.elapsed());
        reconnect_timer->start();
    }
    emit lost(port_name, news);
}

void Link::try_reopen()
{
    const qint64 now = clock.elapsed();
    if (!reconnect_watch.is_watching(now) || is_open()) {
        reconnect_timer->stop();
        return;
    }
    const ports::PortIdentity &lost_device = reconnect_watch.device();
    if (netport::is_network_name(lost_device.port_name)) {
        // Connected to again once a second, in the background: a host that
        // does not answer must not freeze the window for its 5 s.
        if (!network->is_opening() && reconnect_watch.attempt_due({lost_device}, now))
            network->open_in_background();
        return;
    }
    QVector<ports::PortIdentity> seen = scanner->ports();
    // A port that is not listed, such as a pseudo-terminal, is back when its
    // path leads to a device again.
    if (!lost_device.has_ids && QFileInfo::exists(lost_device.system_location))
        seen << lost_device;
    const std::optional<QString> port_name = reconnect_watch.attempt_due(seen, now);
    if (!port_name)
        return;
    settings.port_name = *port_name;
    // One that cannot be opened yet is tried again on a later tick.
    if (!open())
        return;
    reconnect_watch.reopened(now);
    reconnect_timer->stop();
    emit reopened(*port_name);
}

void Link::network_reopened()
{
    reconnect_watch.reopened(clock.elapsed());
    reconnect_timer->stop();
    emit reopened(open_device.port_name);
}

} // namespace seriallink
