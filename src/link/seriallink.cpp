#include "link/seriallink.h"

#include "link/portscanner.h"
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
    session_recorder = new session::SessionRecorder(this);
    connect(session_recorder, &session::SessionRecorder::failed, this, &Link::recording_stopped);
    receive.on_report = [this](const protocol::Report &decoded) { emit report(decoded); };

    // Queued: the port is closed outside QSerialPort's own read handler, which
    // still touches its buffer after reporting the error.
    connect(serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (is_port_loss(error))
            QMetaObject::invokeMethod(this, &Link::close_lost_port, Qt::QueuedConnection);
    });
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

QString Link::open_failure() const
{
    return failure;
}

bool Link::is_open() const
{
    return serial->isOpen();
}

void Link::start_receiving(bool record)
{
    if (record) {
        const QString folder = session::sessions_folder();
        session::prune_sessions(folder, session::kMaxFolderBytes);
        if (!session_recorder->start(folder, serial->portName(), settings_text(settings)))
            emit recording_stopped(session_recorder->failure());
    }
    if (!receiving)
        connect(serial, &QSerialPort::readyRead, this, &Link::read_available);
    receiving = true;
}

void Link::close()
{
    disconnect(serial, &QSerialPort::readyRead, this, &Link::read_available);
    receiving = false;
    session_recorder->stop();
    if (serial->isOpen())
        serial->clear(QSerialPort::AllDirections);
    serial->close();
    receive.reset();
}

void Link::end_reconnect_watch()
{
    reconnect_watch.end();
    reconnect_timer->stop();
}

qint64 Link::write(const QByteArray &bytes)
{
    const qint64 written = serial->write(bytes);
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
    if (!serial->isOpen())
        return;
    const QByteArray bytes = serial->readAll();
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
    if (!serial->isOpen() || !is_port_loss(serial->error()))
        return;
    const QString port_name = serial->portName();
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
    if (!reconnect_watch.is_watching(now) || serial->isOpen()) {
        reconnect_timer->stop();
        return;
    }
    QVector<ports::PortIdentity> seen = scanner->ports();
    // A port that is not listed, such as a pseudo-terminal, is back when its
    // path leads to a device again.
    const ports::PortIdentity &lost_device = reconnect_watch.device();
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

} // namespace seriallink
