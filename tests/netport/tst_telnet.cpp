// The network port's pure parts: its addresses, the telnet codec and the
// RFC 2217 negotiation, fed byte vectors as a server sends them.
#include "netport/comportclient.h"
#include "netport/netaddress.h"
#include "netport/telnetcodec.h"

#include <QTest>

using netport::AddressError;
using netport::ComPortClient;
using netport::NetAddress;
using netport::TelnetCommand;
using netport::TelnetDecoder;

Q_DECLARE_METATYPE(netport::AddressError)

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int value : values)
        out.append(char(value));
    return out;
}

// What a server answers to the client's settings: each command's code plus
// 100 with the value given.
QByteArray answer(int command, const QByteArray &value)
{
    return bytes({255, 250, 44, command + 100}) + netport::escape_iac(value) + bytes({255, 240});
}

QByteArray answers_as_asked(const netport::LineSettings &settings)
{
    QByteArray all;
    for (int command = 1; command <= 5; ++command)
        all += answer(command, ComPortClient::value_of(ComPortClient::Command(command), settings));
    return all;
}

} // namespace

class TelnetTest : public QObject
{
    Q_OBJECT

private slots:
    void addressesParse_data();
    void addressesParse();
    void badAddressesAreRefusedWithTheirReason_data();
    void badAddressesAreRefusedWithTheirReason();
    void everyFfIsDoubledOnTheWayOut();
    void dataSurvivesAReadEndingAnywhere();
    void longSubnegotiationIsDroppedNotKept();
    void serverAcceptingComPortGetsTheChosenSettings();
    void serverRefusingComPortFailsTheOpen();
    void serverSettingAnotherBaudRateFailsTheOpen();
};

void TelnetTest::addressesParse_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("text");
    QTest::newRow("tcp") << "tcp://robot-7.local:3001" << false << "robot-7.local" << 3001
                         << "tcp://robot-7.local:3001";
    QTest::newRow("rfc2217 ipv4") << "RFC2217://10.0.0.7:65535" << true << "10.0.0.7" << 65535
                                  << "rfc2217://10.0.0.7:65535";
    QTest::newRow("ipv6") << "rfc2217://[fe80::1]:2000" << true << "fe80::1" << 2000
                          << "rfc2217://[fe80::1]:2000";
}

void TelnetTest::addressesParse()
{
    QFETCH(QString, name);
    QFETCH(bool, rfc2217);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, text);
    QVERIFY(netport::is_network_name(name));
    const netport::ParsedAddress parsed = netport::parse_address(name);
    QVERIFY(parsed.address);
    QCOMPARE(parsed.address->kind == NetAddress::Kind::Rfc2217, rfc2217);
    QCOMPARE(parsed.address->host, host);
    QCOMPARE(int(parsed.address->port), port);
    QCOMPARE(parsed.address->text(), text);
}

void TelnetTest::badAddressesAreRefusedWithTheirReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<AddressError>("error");
    QTest::addColumn<QString>("said");
    QTest::newRow("device path") << "/dev/ttyUSB0" << AddressError::NotNetwork << "not a network";
    QTest::newRow("scheme") << "udp://h:1" << AddressError::UnknownScheme << "tcp:// or rfc2217://";
    QTest::newRow("no host") << "tcp://:2000" << AddressError::MissingHost << "host is missing";
    QTest::newRow("nothing") << "rfc2217://" << AddressError::MissingHost << "host is missing";
    QTest::newRow("no port") << "tcp://robot" << AddressError::MissingPort << "port number is";
    QTest::newRow("port 0") << "tcp://robot:0" << AddressError::BadPort << "1 to 65535";
    QTest::newRow("port 65536") << "tcp://robot:65536" << AddressError::BadPort << "1 to 65535";
    QTest::newRow("signed port") << "tcp://robot:+80" << AddressError::BadPort << "1 to 65535";
    QTest::newRow("space in host") << "tcp://ro bot:80" << AddressError::BadHost << "not a host";
    QTest::newRow("bare ipv6") << "tcp://[robot]:80" << AddressError::BadHost << "not a host";
}

void TelnetTest::badAddressesAreRefusedWithTheirReason()
{
    QFETCH(QString, name);
    QFETCH(AddressError, error);
    QFETCH(QString, said);
    const netport::ParsedAddress parsed = netport::parse_address(name);
    QVERIFY(!parsed.address);
    QCOMPARE(parsed.error, error);
    QVERIFY2(netport::address_error_text(error, name).contains(said),
             qPrintable(netport::address_error_text(error, name)));
    QVERIFY(netport::address_error_text_zh(error, name).startsWith(name));
}

void TelnetTest::everyFfIsDoubledOnTheWayOut()
{
    QCOMPARE(netport::escape_iac(bytes({0xFF, 0xFE, 1, 0xFF, 0xFF})),
             bytes({0xFF, 0xFF, 0xFE, 1, 0xFF, 0xFF, 0xFF, 0xFF}));
}

// A camera frame with 0xFF inside, between an option command, a
// subnegotiation holding a doubled 0xFF, a NOP and a go-ahead: cut into two
// reads at every place, and into single bytes, the same data and commands
// come out.
void TelnetTest::dataSurvivesAReadEndingAnywhere()
{
    const QByteArray stream =
        bytes({0xFF, 0xFF, 0xFE, 0x01, 0xFF, 0xFB, 0x03, 0xFF, 0xFF, 0x02, 0xFF, 0xFA, 0x2C, 0x6B,
               0xFF, 0xFF, 0x00, 0xFF, 0xF0, 0xFE, 0xFF, 0xF1, 0xFF, 0xFF, 0xFF, 0xF9, 0x7F});
    const QByteArray data = bytes({0xFF, 0xFE, 0x01, 0xFF, 0x02, 0xFE, 0xFF, 0x7F});
    const QVector<TelnetCommand> commands{
        TelnetCommand{netport::telnet::kWill, 3, QByteArray()},
        TelnetCommand{netport::telnet::kSb, 44, bytes({0x6B, 0xFF, 0x00})}};

    for (int split = 0; split <= stream.size(); ++split) {
        TelnetDecoder decoder;
        QByteArray got;
        QVector<TelnetCommand> got_commands;
        decoder.feed(stream.constData(), split, got, got_commands);
        decoder.feed(stream.constData() + split, stream.size() - split, got, got_commands);
        QCOMPARE(got, data);
        QCOMPARE(got_commands, commands);
    }
    TelnetDecoder decoder;
    QByteArray got;
    QVector<TelnetCommand> got_commands;
    for (const char byte : stream)
        decoder.feed(&byte, 1, got, got_commands);
    QCOMPARE(got, data);
    QCOMPARE(got_commands, commands);
    QVERIFY(!decoder.in_sequence());
}

void TelnetTest::longSubnegotiationIsDroppedNotKept()
{
    const QByteArray stream = bytes({0xFF, 0xFA, 0x2C}) +
                              QByteArray(TelnetDecoder::kMaxSubnegotiation + 1, 'x') +
                              bytes({0xFF, 0xF0, 0x41});
    TelnetDecoder decoder;
    QByteArray data;
    QVector<TelnetCommand> commands;
    decoder.feed(stream.constData(), stream.size(), data, commands);
    QCOMPARE(data, QByteArray("A"));
    QVERIFY(commands.isEmpty());
}

void TelnetTest::serverAcceptingComPortGetsTheChosenSettings()
{
    netport::LineSettings settings;
    settings.baud_rate = 57600;
    settings.data_bits = QSerialPort::Data7;
    settings.parity = QSerialPort::EvenParity;
    settings.stop_bits = QSerialPort::TwoStop;
    settings.flow_control = QSerialPort::HardwareControl;
    ComPortClient client(settings);
    QVERIFY(client.greeting().startsWith(bytes({0xFF, 0xFB, 44})));

    QByteArray data;
    const QByteArray requests = client.feed("\xFF\xFD\x2C", 3, data);
    QCOMPARE(requests,
             bytes({0xFF, 0xFA, 44,   1,    0,    0,    0xE1, 0,  0xFF, 0xF0, 0xFF, 0xFA, 44,
                    2,    7,    0xFF, 0xF0, 0xFF, 0xFA, 44,   3,  3,    0xFF, 0xF0, 0xFF, 0xFA,
                    44,   4,    2,    0xFF, 0xF0, 0xFF, 0xFA, 44, 5,    3,    0xFF, 0xF0}));
    const QByteArray answers = answers_as_asked(settings);
    client.feed(answers.constData(), answers.size() - 1, data);
    QCOMPARE(client.state(), ComPortClient::State::Negotiating);
    client.feed(answers.constData() + answers.size() - 1, 1, data);
    QCOMPARE(client.state(), ComPortClient::State::Ready);
    QVERIFY(data.isEmpty());
}

void TelnetTest::serverRefusingComPortFailsTheOpen()
{
    ComPortClient client{netport::LineSettings()};
    client.greeting();
    QByteArray data;
    // A plain telnet server: it will echo, and will not do COM-PORT.
    const QByteArray reply = client.feed("\xFF\xFB\x01\xFF\xFE\x2C", 6, data);
    QCOMPARE(reply, bytes({0xFF, 0xFE, 0x01}));
    QCOMPARE(client.state(), ComPortClient::State::Refused);
    QVERIFY(client.failure().contains(QLatin1String("does not offer remote port settings")));
    QVERIFY(client.failure().contains(QLatin1String("tcp://")));
}

void TelnetTest::serverSettingAnotherBaudRateFailsTheOpen()
{
    netport::LineSettings settings;
    settings.baud_rate = 115200;
    ComPortClient client(settings);
    client.greeting();
    QByteArray data;
    client.feed("\xFF\xFD\x2C", 3, data);
    QByteArray answers = answer(1, bytes({0, 0, 0x25, 0x80}));
    for (int command = 2; command <= 5; ++command)
        answers +=
            answer(command, ComPortClient::value_of(ComPortClient::Command(command), settings));
    client.feed(answers.constData(), answers.size(), data);
    QCOMPARE(client.state(), ComPortClient::State::Rejected);
    QCOMPARE(client.failure(),
             QStringLiteral("the server set the baud rate to 9600 instead of 115200"));
}

QTEST_GUILESS_MAIN(TelnetTest)
#include "tst_telnet.moc"
