#include "netport/comportclient.h"

namespace netport
{

using namespace telnet;

namespace
{

QByteArray bytes_of(std::initializer_list<quint8> values)
{
    QByteArray out;
    out.reserve(int(values.size()));
    for (const quint8 value : values)
        out.append(char(value));
    return out;
}

QByteArray option_command(quint8 verb, quint8 option)
{
    return bytes_of({kIac, verb, option});
}

QByteArray subnegotiation(quint8 command, const QByteArray &value)
{
    QByteArray body;
    body.append(char(command));
    body.append(value);
    return bytes_of({kIac, kSb, kComPort}) + escape_iac(body) + bytes_of({kIac, kSe});
}

const char *setting_name(int command)
{
    switch (command) {
    case ComPortClient::SetBaudRate:
        return "baud rate";
    case ComPortClient::SetDataSize:
        return "data bits";
    case ComPortClient::SetParity:
        return "parity";
    case ComPortClient::SetStopSize:
        return "stop bits";
    default:
        return "flow control";
    }
}

QString shown_value(int command, const QByteArray &value)
{
    if (command == ComPortClient::SetBaudRate && value.size() == 4) {
        const quint32 baud = quint32(quint8(value[0])) << 24 | quint32(quint8(value[1])) << 16 |
                             quint32(quint8(value[2])) << 8 | quint32(quint8(value[3]));
        return QString::number(baud);
    }
    if (value.size() == 1)
        return QStringLiteral("code %1").arg(quint8(value[0]));
    return QStringLiteral("%1 bytes").arg(value.size());
}

} // namespace

ComPortClient::ComPortClient(const LineSettings &settings) : settings(settings) {}

bool ComPortClient::we_offer(quint8 option)
{
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

bool ComPortClient::we_accept(quint8 option)
{
    return option == kBinary || option == kSuppressGoAhead;
}

QByteArray ComPortClient::greeting()
{
    ours[kComPort] = Option::WantYes;
    ours[kBinary] = Option::WantYes;
    theirs[kBinary] = Option::WantYes;
    ours[kSuppressGoAhead] = Option::WantYes;
    theirs[kSuppressGoAhead] = Option::WantYes;
    return option_command(kWill, kComPort) + option_command(kWill, kBinary) +
           option_command(kDo, kBinary) + option_command(kWill, kSuppressGoAhead) +
           option_command(kDo, kSuppressGoAhead);
}

QByteArray ComPortClient::value_of(Command command, const LineSettings &settings)
{
    switch (command) {
    case SetBaudRate: {
        const quint32 baud = quint32(settings.baud_rate);
        return bytes_of({quint8(baud >> 24), quint8(baud >> 16), quint8(baud >> 8), quint8(baud)});
    }
    case SetDataSize:
        return QByteArray(1, char(settings.data_bits));
    case SetParity:
        switch (settings.parity) {
        case QSerialPort::OddParity:
            return QByteArray(1, char(2));
        case QSerialPort::EvenParity:
            return QByteArray(1, char(3));
        case QSerialPort::MarkParity:
            return QByteArray(1, char(4));
        case QSerialPort::SpaceParity:
            return QByteArray(1, char(5));
        default:
            return QByteArray(1, char(1));
        }
    case SetStopSize:
        switch (settings.stop_bits) {
        case QSerialPort::TwoStop:
            return QByteArray(1, char(2));
        case QSerialPort::OneAndHalfStop:
            return QByteArray(1, char(3));
        default:
            return QByteArray(1, char(1));
        }
    case SetControl:
        switch (settings.flow_control) {
        case QSerialPort::SoftwareControl:
            return QByteArray(1, char(2));
        case QSerialPort::HardwareControl:
            return QByteArray(1, char(3));
        default:
            return QByteArray(1, char(1));
        }
    }
    return QByteArray();
}

QByteArray ComPortClient::feed(const char *bytes, int count, QByteArray &data)
{
    QVector<TelnetCommand> commands;
    decoder.feed(bytes, count, data, commands);
    QByteArray reply;
    for (const TelnetCommand &command : commands)
        handle(command, reply);
    return reply;
}

// Each side's state per option, after RFC 1143 without its queue: a request
// is answered only when it changes the state, so two peers never loop.
void ComPortClient::handle(const TelnetCommand &command, QByteArray &reply)
{
    const quint8 option = command.option;
    switch (command.verb) {
    case kDo:
        if (ours[option] == Option::No) {
            ours[option] = we_offer(option) ? Option::Yes : Option::No;
            reply += option_command(ours[option] == Option::Yes ? kWill : kWont, option);
        } else {
            ours[option] = Option::Yes;
        }
        if (option == kComPort)
            com_port_accepted(reply);
        break;
    case kDont:
        if (ours[option] == Option::Yes)
            reply += option_command(kWont, option);
        ours[option] = Option::No;
        if (option == kComPort && current == State::Negotiating) {
            current = State::Refused;
            reason = QStringLiteral("the server does not offer remote port settings (RFC 2217); "
                                    "reach it as tcp:// instead");
        }
        break;
    case kWill:
        if (theirs[option] == Option::No) {
            theirs[option] = we_accept(option) ? Option::Yes : Option::No;
            reply += option_command(theirs[option] == Option::Yes ? kDo : kDont, option);
        } else {
            theirs[option] = Option::Yes;
        }
        break;
    case kWont:
        if (theirs[option] == Option::Yes)
            reply += option_command(kDont, option);
        theirs[option] = Option::No;
        break;
    case kSb:
        if (option == kComPort && !command.payload.isEmpty())
            handle_com_port(command.payload);
        break;
    }
}

void ComPortClient::com_port_accepted(QByteArray &reply)
{
    if (settings_sent || current != State::Negotiating)
        return;
    settings_sent = true;
    for (const Command command : {SetBaudRate, SetDataSize, SetParity, SetStopSize, SetControl})
        reply += subnegotiation(command, value_of(command, settings));
}

void ComPortClient::handle_com_port(const QByteArray &payload)
{
    const int code = quint8(payload[0]);
    const int command = code - kServerOffset;
    // Answers that come unasked, or again later, change nothing: the line's
    // state notifications and flow control requests are not acted on.
    if (!settings_sent || command < SetBaudRate || command > SetControl || answered[command - 1])
        return;
    answers[command - 1] = payload.mid(1);
    answered[command - 1] = true;
    check_settled();
}

void ComPortClient::check_settled()
{
    if (current != State::Negotiating)
        return;
    for (const bool done : answered)
        if (!done)
            return;
    for (int command = SetBaudRate; command <= SetControl; ++command) {
        const QByteArray asked = value_of(Command(command), settings);
        const QByteArray &got = answers[command - 1];
        if (got != asked) {
            current = State::Rejected;
            reason = QStringLiteral("the server set the %1 to %2 instead of %3")
                         .arg(QLatin1String(setting_name(command)), shown_value(command, got),
                              shown_value(command, asked));
            return;
        }
    }
    current = State::Ready;
}

} // namespace netport
