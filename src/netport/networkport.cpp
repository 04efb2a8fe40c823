#include "netport/networkport.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace netport
{

namespace
{

// A host name looked up on a thread of its own, waited for at most
// `timeout_ms`: QTcpSocket's blocking wait would look it up without a bound,
// and a resolver that gets no answer takes many seconds per attempt. The
// thread outlives a wait that gives up and drops its answer.
std::optional<QHostInfo> look_up(const QString &host, int timeout_ms)
{
    struct Answer {
        std::mutex mutex;
        std::condition_variable ready;
        std::optional<QHostInfo> info;
    };
    const auto answer = std::make_shared<Answer>();
    std::thread([answer, host] {
        QHostInfo info = QHostInfo::fromName(host);
        const std::lock_guard<std::mutex> lock(answer->mutex);
        answer->info = std::move(info);
        answer->ready.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(answer->mutex);
    answer->ready.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return answer->info.has_value(); });
    return answer->info;
}

// What a server wrote before it closed, when it reads as one short line of
// text; anything else is the line's data and says nothing.
QString server_text(const QByteArray &bytes)
{
    constexpr int kMaxText = 200;
    if (bytes.isEmpty() || bytes.size() > kMaxText)
        return QString();
    for (const char byte : bytes)
        if ((quint8(byte) < 0x20 && byte != '\r' && byte != '\n' && byte != '\t') ||
            quint8(byte) >= 0x7F)
            return QString();
    return QString::fromLatin1(bytes).simplified();
}

} // namespace

NetworkPort::NetworkPort(QObject *parent) : QIODevice(parent)
{
    deadline.setSingleShot(true);
    deadline.setInterval(kOpenTimeoutMs);
    connect(&deadline, &QTimer::timeout, this, &NetworkPort::deadline_passed);
}

NetworkPort::~NetworkPort()
{
    drop_socket();
}

void NetworkPort::set_address(const NetAddress &address)
{
    target = address;
}

void NetworkPort::set_line_settings(const LineSettings &line_settings)
{
    settings = line_settings;
}

QString NetworkPort::where() const
{
    return target.text();
}

QTcpSocket *NetworkPort::new_socket()
{
    auto *const made = new QTcpSocket(this);
    // The camera's frames are small and the transfer waits for each answer:
    // Nagle's delay would hold every command back.
    made->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(made, &QTcpSocket::connected, this, &NetworkPort::socket_connected);
    connect(made, &QTcpSocket::readyRead, this, &NetworkPort::socket_readable);
    connect(made, &QTcpSocket::disconnected, this, &NetworkPort::socket_ended);
    connect(made, &QTcpSocket::errorOccurred, this, &NetworkPort::socket_ended);
    return made;
}

void NetworkPort::start_connecting()
{
    drop_socket();
    if (isOpen())
        QIODevice::close();
    incoming.clear();
    reason_zh.clear();
    client.reset();
    if (target.kind == NetAddress::Kind::Rfc2217)
        client.emplace(settings);
    candidates.clear();
    socket = new_socket();
    phase = Phase::Connecting;
    deadline.start();
    if (!in_background && QHostAddress(target.host).isNull()) {
        const std::optional<QHostInfo> info = look_up(target.host, kOpenTimeoutMs);
        if (!info) {
            fail(QStringLiteral("%1: the host name was not resolved within %2 s")
                     .arg(where())
                     .arg(kOpenTimeoutMs / 1000),
                 QStringLiteral("%1 秒内未能解析主机名：").arg(kOpenTimeoutMs / 1000) +
                     target.host);
            return;
        }
        if (info->addresses().isEmpty()) {
            fail(where() + QStringLiteral(": ") + info->errorString(),
                 QStringLiteral("找不到主机：") + target.host);
            return;
        }
        // Each address in turn, as QTcpSocket tries a name's.
        candidates = info->addresses();
        socket->connectToHost(candidates.takeFirst(), target.port);
        return;
    }
    socket->connectToHost(target.host, target.port);
}

bool NetworkPort::open(OpenMode)
{
    if ((isOpen() && phase == Phase::Open) || is_opening())
        return false;
    QElapsedTimer clock;
    clock.start();
    in_background = false;
    start_connecting();
    // The socket's own waits: the caller's event loop does not run, so no
    // other slot of the caller's runs in the middle of its open.
    while (is_opening()) {
        const int remaining = kOpenTimeoutMs - int(clock.elapsed());
        if (remaining <= 0) {
            deadline_passed();
            break;
        }
        QTcpSocket *waiting = socket;
        if (phase == Phase::Connecting)
            waiting->waitForConnected(remaining);
        else
            waiting->waitForReadyRead(remaining);
    }
    return phase == Phase::Open;
}

void NetworkPort::open_in_background()
{
    in_background = true;
    start_connecting();
}

void NetworkPort::socket_connected()
{
    if (phase != Phase::Connecting)
        return;
    if (!client) {
        finish_open();
        return;
    }
    phase = Phase::Negotiating;
    socket->write(client->greeting());
}

void NetworkPort::socket_readable()
{
    if (!socket ||
        (phase != Phase::Negotiating && phase != Phase::Open && phase != Phase::Connecting))
        return;
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty())
        return;
    const int before = incoming.size();
    if (client) {
        const QByteArray reply = client->feed(bytes.constData(), bytes.size(), incoming);
        if (!reply.isEmpty())
            socket->write(reply);
        if (phase == Phase::Negotiating) {
            switch (client->state()) {
            case ComPortClient::State::Refused:
                fail(where() + QStringLiteral(": ") + client->failure(),
                     QStringLiteral("服务器不提供远程串口设置（RFC 2217），请改用 tcp:// 连接"));
                return;
            case ComPortClient::State::Rejected:
                fail(where() + QStringLiteral(": ") + client->failure(),
                     QStringLiteral("服务器未按所选参数设置远程串口"));
                return;
            case ComPortClient::State::Ready:
                finish_open();
                return;
            case ComPortClient::State::Negotiating:
                return;
            }
        }
    } else {
        incoming += bytes;
    }
    if (phase == Phase::Open && incoming.size() > before)
        emit readyRead();
}

void NetworkPort::socket_ended()
{
    if (!socket)
        return;
    // What the server sent before it went is still the line's.
    if (socket->bytesAvailable() > 0)
        socket_readable();
    if (!socket)
        return;
    const QString why = socket->error() == QAbstractSocket::UnknownSocketError
                            ? QStringLiteral("the connection was closed")
                            : socket->errorString();
    if (phase == Phase::Connecting && !candidates.isEmpty()) {
        QTcpSocket *const old = socket;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
        socket = new_socket();
        socket->connectToHost(candidates.takeFirst(), target.port);
        return;
    }
    if (is_opening()) {
        QString zh = QStringLiteral("无法连接到 ") + where();
        QString reason = where() + QStringLiteral(": ") + why;
        if (socket->error() == QAbstractSocket::ConnectionRefusedError) {
            zh = QStringLiteral("连接被拒绝：") + where();
        } else if (socket->error() == QAbstractSocket::HostNotFoundError) {
            zh = QStringLiteral("找不到主机：") + target.host;
        } else if (phase == Phase::Negotiating) {
            // A server that cannot open the robot's device says so in a line
            // of text before it closes: that is the reason worth showing.
            const QString said = server_text(incoming);
            zh = QStringLiteral("服务器关闭了连接：") + where();
            if (!said.isEmpty()) {
                zh += QStringLiteral("（") + said + QStringLiteral("）");
                reason += QStringLiteral(" (the server said: ") + said + QLatin1Char(')');
            }
        }
        fail(reason, zh);
        return;
    }
    if (phase != Phase::Open)
        return;
    phase = Phase::Lost;
    setErrorString(where() + QStringLiteral(": ") + why);
    reason_zh = QStringLiteral("网络连接已断开：") + where();
    emit lost(errorString());
}

void NetworkPort::deadline_passed()
{
    if (!is_opening())
        return;
    const int seconds = kOpenTimeoutMs / 1000;
    if (phase == Phase::Connecting)
        fail(QStringLiteral("%1: no answer within %2 s").arg(where()).arg(seconds),
             QStringLiteral("%1 在 %2 秒内没有应答").arg(where()).arg(seconds));
    else
        fail(QStringLiteral("%1: the server did not set the remote port within %2 s; a server "
                            "without RFC 2217 is reached as tcp://")
                 .arg(where())
                 .arg(seconds),
             QStringLiteral("%1 在 %2 秒内未设置远程串口；不支持 RFC 2217 的服务器请用 tcp:// 连接")
                 .arg(where())
                 .arg(seconds));
}

void NetworkPort::fail(const QString &reason, const QString &zh)
{
    deadline.stop();
    drop_socket();
    phase = Phase::Closed;
    incoming.clear();
    setErrorString(reason);
    reason_zh = zh;
    if (in_background)
        emit open_failed(reason);
}

void NetworkPort::finish_open()
{
    deadline.stop();
    phase = Phase::Open;
    // Unbuffered: `incoming` is the one buffer, so what bytesAvailable() says
    // is what read() gives.
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (in_background)
        emit opened();
    // Data that came with the server's last answer is announced once the
    // caller had the chance to connect to readyRead().
    if (!incoming.isEmpty())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (phase == Phase::Open && !incoming.isEmpty())
                    emit readyRead();
            },
            Qt::QueuedConnection);
}

void NetworkPort::drop_socket()
{
    if (!socket)
        return;
    QTcpSocket *const old = socket;
    socket = nullptr;
    old->disconnect(this);
    // Whatever was written goes out before the connection ends; the socket
    // may be inside its own signal here, so it is deleted later.
    if (phase == Phase::Open && old->state() == QAbstractSocket::ConnectedState) {
        old->flush();
        old->disconnectFromHost();
    } else {
        old->abort();
    }
    old->deleteLater();
}

void NetworkPort::close()
{
    deadline.stop();
    drop_socket();
    phase = Phase::Closed;
    incoming.clear();
    QIODevice::close();
}

qint64 NetworkPort::bytesAvailable() const
{
    return incoming.size() + QIODevice::bytesAvailable();
}

qint64 NetworkPort::bytesToWrite() const
{
    return socket ? socket->bytesToWrite() : 0;
}

bool NetworkPort::waitForReadyRead(int msecs)
{
    if (!incoming.isEmpty())
        return true;
    QElapsedTimer clock;
    clock.start();
    while (socket && phase == Phase::Open && incoming.isEmpty()) {
        const int remaining = msecs < 0 ? -1 : msecs - int(clock.elapsed());
        if (msecs >= 0 && remaining <= 0)
            break;
        if (!socket->waitForReadyRead(remaining))
            break;
    }
    return !incoming.isEmpty();
}

bool NetworkPort::waitForBytesWritten(int msecs)
{
    return socket && phase == Phase::Open && socket->waitForBytesWritten(msecs);
}

qint64 NetworkPort::readData(char *data, qint64 max_size)
{
    const int count = int(qMin<qint64>(max_size, incoming.size()));
    if (count <= 0)
        return phase == Phase::Lost ? -1 : 0;
    memcpy(data, incoming.constData(), size_t(count));
    incoming.remove(0, count);
    return count;
}

qint64 NetworkPort::writeData(const char *data, qint64 size)
{
    if (!socket || phase != Phase::Open)
        return -1;
    const QByteArray bytes(data, int(size));
    const qint64 written = socket->write(client ? escape_iac(bytes) : bytes);
    return written < 0 ? -1 : size;
}

} // namespace netport
