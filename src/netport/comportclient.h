#pragma once

#include "netport/linesettings.h"
#include "netport/telnetcodec.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace netport
{

// The client's side of a telnet connection with the RFC 2217 COM-PORT option,
// with no socket: bytes from the server go in, the line's data and the bytes
// to answer with come out. It asks for binary transmission both ways (the
// camera's frames are binary), offers the COM-PORT option, and once the
// server accepts it sets baud rate, data size, parity, stop size and flow
// control as the settings say. The port is ready when the server has
// confirmed all five with the values asked for.
class ComPortClient
{
public:
    enum class State { Negotiating, Ready, Refused, Rejected };

    explicit ComPortClient(const LineSettings &settings);

    // What the client says first, as soon as the connection is up.
    QByteArray greeting();

    // Appends the line's data among `bytes` to `data`; returns what to send
    // back to the server.
    QByteArray feed(const char *bytes, int count, QByteArray &data);

    State state() const
    {
        return current;
    }
    // Why the server's answer ends the connection, in Refused and Rejected.
    QString failure() const
    {
        return reason;
    }

    // RFC 2217's commands, client to server; the server answers each with
    // its code plus 100.
    enum Command : quint8 {
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
    };
    static constexpr quint8 kServerOffset = 100;

    // The value each setting is sent as.
    static QByteArray value_of(Command command, const LineSettings &settings);

private:
    enum class Option { No, WantYes, Yes };
    void handle(const TelnetCommand &command, QByteArray &reply);
    void handle_com_port(const QByteArray &payload);
    void com_port_accepted(QByteArray &reply);
    void check_settled();

    static bool we_offer(quint8 option);
    static bool we_accept(quint8 option);

    LineSettings settings;
    TelnetDecoder decoder;
    State current = State::Negotiating;
    QString reason;
    std::array<Option, 256> ours{};
    std::array<Option, 256> theirs{};
    bool settings_sent = false;
    // The server's answer to each of the five commands, by command - 1.
    std::array<QByteArray, 5> answers;
    std::array<bool, 5> answered{};
};

} // namespace netport
