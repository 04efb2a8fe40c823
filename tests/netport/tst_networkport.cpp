// The network port through a real ser2net to a real pseudo-terminal: the
// bytes both ways, the remote port's settings, the open's failures and the
// lost connection.
#include "camerareports.h"
#include "camsimprocess.h"
#include "pseudoterminal.h"
#include "ser2netprocess.h"

#include "netport/networkport.h"
#include "protocol/framecutter.h"
#include "protocol/reportdecoder.h"

#include <QSignalSpy>
#include <QTest>

using netport::NetworkPort;

namespace
{

netport::NetAddress address_of(const QString &name)
{
    return *netport::parse_address(name).address;
}

// Reads from the port until `count` bytes have come or five seconds passed.
QByteArray read_from(NetworkPort &port, int count)
{
    QByteArray got;
    // The caller compares what came; a short read shows there.
    (void)QTest::qWaitFor(
        [&] {
            got += port.readAll();
            return got.size() >= count;
        },
        5000);
    return got;
}

// A position report with nine 0xFF bytes among its fields. No 0xFF comes
// right before a 0xFE, which would start a frame anew.
QByteArray position_full_of_ff()
{
    PositionBytes fields;
    fields.x_sign = 1;
    fields.x_tenths = 0xFFFFFF;
    fields.y_tenths = 0x12FFFF;
    fields.rotation_tenths = 0x0FFF;
    fields.attitude_x_hundredths = 0xFF00;
    fields.attitude_y_sign = 1;
    fields.attitude_y_hundredths = 0x00FF;
    return position_bytes(fields);
}

} // namespace

class NetworkPortTest : public QObject
{
    Q_OBJECT

private slots:
    void lineBytesPassBothWaysUnchanged_data();
    void lineBytesPassBothWaysUnchanged();
    void rfc2217SetsTheRemotePortAsChosen();
    void refusedConnectionFailsTheOpenWithItsReason();
    void telnetServerWithoutRfc2217FailsTheOpenSayingSo();
    void serverThatNeverAnswersFailsTheOpenInTime();
    void serverThatCannotOpenTheDeviceFailsTheOpenSayingWhy();
    void stoppedServerIsALostPortAndOpensAgainWhenBack();
};

void NetworkPortTest::lineBytesPassBothWaysUnchanged_data()
{
    QTest::addColumn<int>("accepter");
    QTest::addColumn<QString>("host");
    QTest::newRow("tcp") << int(Ser2netProcess::Raw) << "127.0.0.1";
    // A name, looked up within the open's bound rather than by the socket's
    // own unbounded wait.
    QTest::newRow("rfc2217") << int(Ser2netProcess::Rfc2217) << "localhost";
}

// 0xFF is telnet's IAC: the camera's every frame starts with one, and a
// report's fields hold more. Each must arrive once, exactly where it was.
void NetworkPortTest::lineBytesPassBothWaysUnchanged()
{
    QFETCH(int, accepter);
    QFETCH(QString, host);
    PseudoTerminal pty;
    QVERIFY(pty.is_valid());
    Ser2netProcess server;
    QVERIFY2(server.start(pty.slave_path()), qPrintable(server.error()));
    NetworkPort port;
    port.set_address(address_of(server.address(Ser2netProcess::Accepter(accepter))
                                    .replace(QLatin1String("127.0.0.1"), host)));
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));

    // Host to camera first: once it has come, ser2net holds the line open
    // and nothing the camera says is lost before it.
    const QByteArray command = hex_bytes("FF FE 02 FF FF 00 FE FF");
    port.write(command);
    QCOMPARE(pty.read_at_least(command.size()), command);

    const int reports = 40;
    QByteArray stream;
    for (int k = 0; k < reports; ++k)
        stream += position_full_of_ff() + hex_bytes("FF");
    QVERIFY(pty.write(stream));
    const QByteArray got = read_from(port, stream.size());
    QCOMPARE(got.toHex(), stream.toHex());

    bool ff_seen = false, in_frame = false, fe_seen = false;
    QByteArray frame;
    int positions = 0;
    for (const char byte : got) {
        if (!protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame))
            continue;
        const std::optional<protocol::Report> report = protocol::decode_report(frame);
        if (report && report->kind == protocol::ReportKind::Position) {
            ++positions;
            QCOMPARE(report->position.x, -1677721.5);
        }
        frame.clear();
    }
    QCOMPARE(positions, reports);
}

void NetworkPortTest::rfc2217SetsTheRemotePortAsChosen()
{
    CamsimProcess camsim;
    QVERIFY(camsim.start({}));
    Ser2netProcess server;
    QVERIFY2(server.start(camsim.port()), qPrintable(server.error()));
    NetworkPort port;
    port.set_address(address_of(server.address(Ser2netProcess::Rfc2217)));
    // A pseudo-terminal keeps eight data bits and no parity whatever it is
    // told, so those two are left at theirs; the client's values for them are
    // checked byte by byte in tst_telnet.
    netport::LineSettings settings;
    settings.baud_rate = 57600;
    settings.stop_bits = QSerialPort::TwoStop;
    settings.flow_control = QSerialPort::HardwareControl;
    port.set_line_settings(settings);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    camsim.command(QStringLiteral("line"));
    QCOMPARE(camsim.wait_for_line(QStringLiteral("line ")),
             QStringLiteral("line 57600 8N2 hardware"));

    // Open again with the window's defaults: the settings follow each open.
    port.close();
    port.set_line_settings(netport::LineSettings());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    camsim.command(QStringLiteral("line"));
    QCOMPARE(camsim.wait_for_line(QStringLiteral("line "), 2),
             QStringLiteral("line 115200 8N1 none"));
    QVERIFY(camsim.stop());
}

void NetworkPortTest::refusedConnectionFailsTheOpenWithItsReason()
{
    const quint16 nobody = free_local_port();
    for (const QString &scheme : {QStringLiteral("tcp"), QStringLiteral("rfc2217")}) {
        NetworkPort port;
        port.set_address(address_of(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(nobody)));
        QVERIFY(!port.open(QIODevice::ReadWrite));
        QVERIFY(!port.isOpen());
        QVERIFY2(port.errorString().contains(QLatin1String("refused")),
                 qPrintable(port.errorString()));
        QVERIFY(port.failure_zh().startsWith(QStringLiteral("连接被拒绝")));

        // The same in the background, for callers that must not wait.
        QSignalSpy failed(&port, &NetworkPort::open_failed);
        port.open_in_background();
        QVERIFY(failed.wait(5000));
        QVERIFY(!port.isOpen());
    }
}

void NetworkPortTest::telnetServerWithoutRfc2217FailsTheOpenSayingSo()
{
    PseudoTerminal pty;
    Ser2netProcess server;
    QVERIFY2(server.start(pty.slave_path()), qPrintable(server.error()));
    NetworkPort port;
    port.set_address(address_of(server.address(Ser2netProcess::PlainTelnet)));
    QVERIFY(!port.open(QIODevice::ReadWrite));
    QVERIFY2(port.errorString().contains(QLatin1String("does not offer remote port settings")),
             qPrintable(port.errorString()));
    QVERIFY(port.errorString().contains(QLatin1String("tcp://")));
}

// A raw server takes the telnet greeting for line data and answers nothing.
void NetworkPortTest::serverThatNeverAnswersFailsTheOpenInTime()
{
    PseudoTerminal pty;
    Ser2netProcess server;
    QVERIFY2(server.start(pty.slave_path()), qPrintable(server.error()));
    NetworkPort port;
    port.set_address(address_of(server.address(Ser2netProcess::Raw)
                                    .replace(QLatin1String("tcp"), QLatin1String("rfc2217"))));
    QSignalSpy failed(&port, &NetworkPort::open_failed);
    port.open_in_background();
    QVERIFY(port.is_opening());
    QVERIFY(failed.wait(NetworkPort::kOpenTimeoutMs + 5000));
    QVERIFY2(failed.at(0).at(0).toString().contains(QLatin1String("did not set the remote port")),
             qPrintable(failed.at(0).at(0).toString()));
    QVERIFY(!port.isOpen());
}

// The robot's server is up, its serial device is not: ser2net accepts, says
// why in a line of text and closes.
void NetworkPortTest::serverThatCannotOpenTheDeviceFailsTheOpenSayingWhy()
{
    Ser2netProcess server;
    QVERIFY2(server.start(QStringLiteral("/dev/ttyNoSuchCamera")), qPrintable(server.error()));
    NetworkPort port;
    port.set_address(address_of(server.address(Ser2netProcess::Rfc2217)));
    QVERIFY(!port.open(QIODevice::ReadWrite));
    QVERIFY2(port.errorString().contains(QLatin1String("the server said: Device open failure")),
             qPrintable(port.errorString()));
    QVERIFY(port.failure_zh().contains(QStringLiteral("服务器关闭了连接")));
}

void NetworkPortTest::stoppedServerIsALostPortAndOpensAgainWhenBack()
{
    PseudoTerminal pty;
    Ser2netProcess server;
    QVERIFY2(server.start(pty.slave_path()), qPrintable(server.error()));
    NetworkPort port;
    port.set_address(address_of(server.address(Ser2netProcess::Rfc2217)));
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    QSignalSpy lost(&port, &NetworkPort::lost);
    server.stop();
    QVERIFY(lost.wait(5000));
    QCOMPARE(lost.count(), 1);
    QVERIFY(port.write("x") < 0);

    port.close();
    QVERIFY2(server.restart(), qPrintable(server.error()));
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    port.write(hex_bytes("FF 01"));
    QCOMPARE(pty.read_at_least(2), hex_bytes("FF 01"));
}

QTEST_MAIN(NetworkPortTest)
#include "tst_networkport.moc"
