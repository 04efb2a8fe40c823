#include "netport/telnetcodec.h"

namespace netport
{

using namespace telnet;

bool operator==(const TelnetCommand &a, const TelnetCommand &b)
{
    return a.verb == b.verb && a.option == b.option && a.payload == b.payload;
}

QByteArray escape_iac(const QByteArray &data)
{
    const int iacs = data.count(char(kIac));
    if (iacs == 0)
        return data;
    QByteArray escaped;
    escaped.reserve(data.size() + iacs);
    for (const char byte : data) {
        escaped.append(byte);
        if (quint8(byte) == kIac)
            escaped.append(byte);
    }
    return escaped;
}

void TelnetDecoder::feed(const char *bytes, int count, QByteArray &data,
                         QVector<TelnetCommand> &commands)
{
    for (int k = 0; k < count; ++k) {
        const quint8 byte = quint8(bytes[k]);
        switch (state) {
        case State::Data:
            if (byte == kIac)
                state = State::Iac;
            else
                data.append(char(byte));
            break;
        case State::Iac:
            if (byte == kIac) {
                data.append(char(byte));
                state = State::Data;
            } else if (byte >= kWill) {
                verb = byte;
                state = State::Option;
            } else if (byte == kSb) {
                state = State::SubOption;
            } else if (byte >= kSe) {
                // NOP, data mark, break, go ahead and the like: no data.
                state = State::Data;
            } else {
                // No command has a code below SE: the IAC was the peer's
                // mistake, the byte after it is the line's.
                data.append(char(byte));
                state = State::Data;
            }
            break;
        case State::Option:
            commands.append(TelnetCommand{verb, byte, QByteArray()});
            state = State::Data;
            break;
        case State::SubOption:
            sub_option = byte;
            sub.clear();
            sub_overflow = false;
            state = State::Sub;
            break;
        case State::Sub:
            if (byte == kIac) {
                state = State::SubIac;
            } else if (sub.size() < kMaxSubnegotiation) {
                sub.append(char(byte));
            } else {
                sub_overflow = true;
            }
            break;
        case State::SubIac:
            if (byte == kIac) {
                if (sub.size() < kMaxSubnegotiation)
                    sub.append(char(byte));
                else
                    sub_overflow = true;
                state = State::Sub;
                break;
            }
            if (!sub_overflow)
                commands.append(TelnetCommand{kSb, sub_option, sub});
            sub.clear();
            state = State::Data;
            // An IAC followed by anything but SE also ends the subnegotiation
            // (a peer that forgot SE); that byte is then read as after an IAC.
            if (byte != kSe) {
                state = State::Iac;
                --k;
            }
            break;
        }
    }
}

} // namespace netport
