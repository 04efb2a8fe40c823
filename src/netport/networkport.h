#pragma once

#include "netport/comportclient.h"
#include "netport/linesettings.h"
#include "netport/netaddress.h"

#include <QByteArray>
#include <QHostAddress>
#include <QIODevice>
#include <QList>
#include <QTimer>
#include <optional>

class QTcpSocket;

namespace netport
{

// A serial port behind a serial-to-network server, read and written as a
// local port is. tcp:// passes the bytes as they are; rfc2217:// speaks telnet
// (0xFF doubled both ways, commands taken out of the data) and sets the remote
// port's line settings before the port counts as open.
//
// Opening is bounded: the connection and, for RFC 2217, the server's answers
// to every setting must come within kOpenTimeoutMs, or the open fails with
// its reason. open() waits for that on the caller's thread without running
// its event loop, as QSerialPort::open blocks; open_in_background() returns at
// once and ends with opened() or open_failed(), for callers that must not
// freeze while a host does not answer.
class NetworkPort : public QIODevice
{
    Q_OBJECT

public:
    static constexpr int kOpenTimeoutMs = 5000;

    explicit NetworkPort(QObject *parent = nullptr);
    ~NetworkPort() override;

    void set_address(const NetAddress &address);
    const NetAddress &address() const
    {
        return target;
    }
    // Sent to an RFC 2217 server at the next open; a raw TCP server keeps its
    // own.
    void set_line_settings(const LineSettings &settings);

    bool open(OpenMode mode) override;
    void open_in_background();
    bool is_opening() const
    {
        return phase == Phase::Connecting || phase == Phase::Negotiating;
    }
    void close() override;

    bool isSequential() const override
    {
        return true;
    }
    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override;
    bool waitForReadyRead(int msecs) override;
    bool waitForBytesWritten(int msecs) override;

    // The reason of the last failed open or of the loss, for the operator.
    QString failure_zh() const
    {
        return reason_zh;
    }

signals:
    void opened();
    void open_failed(const QString &reason);
    // The connection dropped while open: the server went, or the network.
    void lost(const QString &reason);

protected:
    qint64 readData(char *data, qint64 max_size) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    enum class Phase { Closed, Connecting, Negotiating, Open, Lost };

    QTcpSocket *new_socket();
    void start_connecting();
    void socket_connected();
    void socket_readable();
    void socket_ended();
    void deadline_passed();
    void fail(const QString &reason, const QString &reason_zh);
    void finish_open();
    void drop_socket();
    QString where() const;

    NetAddress target;
    LineSettings settings;
    QTcpSocket *socket = nullptr;
    // A looked-up name's other addresses, tried in turn while connecting.
    QList<QHostAddress> candidates;
    QTimer deadline;
    std::optional<ComPortClient> client;
    Phase phase = Phase::Closed;
    bool in_background = false;
    QByteArray incoming;
    QString reason_zh;
};

} // namespace netport
