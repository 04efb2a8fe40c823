#pragma once

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

namespace netport
{

// The telnet bytes RFC 854 fixes, and the options this client speaks.
namespace telnet
{
constexpr quint8 kIac = 255;
constexpr quint8 kDont = 254;
constexpr quint8 kDo = 253;
constexpr quint8 kWont = 252;
constexpr quint8 kWill = 251;
constexpr quint8 kSb = 250;
constexpr quint8 kSe = 240;

constexpr quint8 kBinary = 0;
constexpr quint8 kSuppressGoAhead = 3;
constexpr quint8 kComPort = 44;
} // namespace telnet

// A telnet command the peer sent: an option verb (WILL, WONT, DO, DONT) with
// its option, or a subnegotiation with the option and its bytes, undoubled.
struct TelnetCommand {
    quint8 verb = 0; // telnet::kWill ... kDont, or telnet::kSb
    quint8 option = 0;
    QByteArray payload;
};

bool operator==(const TelnetCommand &a, const TelnetCommand &b);

// Every 0xFF of the line's data doubled, as telnet carries it.
QByteArray escape_iac(const QByteArray &data);

// Splits what a telnet peer sends into the line's data and its commands, one
// byte at a time, so that a read may end anywhere: inside a command, inside a
// subnegotiation, or right after an IAC. No data byte is lost or invented:
// IAC IAC is one 0xFF, every other IAC sequence is a command and no data.
class TelnetDecoder
{
public:
    // The longest subnegotiation kept. RFC 2217's are at most six bytes; a
    // server's signature text is longer but is not read. A longer one is
    // dropped whole, so a peer that never ends one cannot grow memory.
    static constexpr int kMaxSubnegotiation = 256;

    // Appends the data of `bytes` to `data` and the commands to `commands`.
    void feed(const char *bytes, int count, QByteArray &data, QVector<TelnetCommand> &commands);

    // Whether the decoder is inside a telnet sequence (a read ended there).
    bool in_sequence() const
    {
        return state != State::Data;
    }

private:
    enum class State { Data, Iac, Option, SubOption, Sub, SubIac };
    State state = State::Data;
    quint8 verb = 0;
    quint8 sub_option = 0;
    QByteArray sub;
    bool sub_overflow = false;
};

} // namespace netport
