// Any bytes a telnet server may send, in any chunks, through the telnet
// decoder and the RFC 2217 client: nothing may crash, hang or grow without
// bound, where a read ends must not change a byte of the line's data or a
// command, and the line's own bytes, doubled as they are sent, must come back
// exactly.
#include "netport/comportclient.h"
#include "netport/telnetcodec.h"

#include <QByteArray>
#include <QVector>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

using netport::ComPortClient;
using netport::TelnetCommand;
using netport::TelnetDecoder;

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Cuts [0, length) into reads of 1 to 64 bytes, as `seed` chooses.
template <typename Read> void in_chunks(unsigned seed, size_t length, Read read)
{
    for (size_t at = 0; at < length;) {
        seed = seed * 1103515245u + 12345u;
        const size_t piece = std::min<size_t>(1 + (seed >> 16) % 64, length - at);
        read(at, piece);
        at += piece;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const unsigned seed = data[0];
    const char *stream = reinterpret_cast<const char *>(data + 1);
    const int length = int(size - 1);

    TelnetDecoder whole;
    QByteArray whole_data;
    QVector<TelnetCommand> whole_commands;
    whole.feed(stream, length, whole_data, whole_commands);
    require(whole_data.size() <= length, "more data out than bytes in");
    for (const TelnetCommand &command : whole_commands)
        require(command.payload.size() <= TelnetDecoder::kMaxSubnegotiation,
                "subnegotiation above its bound");

    TelnetDecoder chunked;
    QByteArray chunked_data;
    QVector<TelnetCommand> chunked_commands;
    in_chunks(seed, size_t(length), [&](size_t at, size_t piece) {
        chunked.feed(stream + at, int(piece), chunked_data, chunked_commands);
    });
    require(chunked_data == whole_data, "a read's end changes the data");
    require(chunked_commands == whole_commands, "a read's end changes the commands");

    const QByteArray line(stream, length);
    const QByteArray sent = netport::escape_iac(line);
    TelnetDecoder round_trip;
    QByteArray back;
    QVector<TelnetCommand> no_commands;
    in_chunks(seed ^ 0x5a5a, size_t(sent.size()), [&](size_t at, size_t piece) {
        round_trip.feed(sent.constData() + at, int(piece), back, no_commands);
    });
    require(back == line && no_commands.isEmpty() && !round_trip.in_sequence(),
            "doubled data does not come back as it was");

    netport::LineSettings settings;
    settings.baud_rate = int(seed) * 300 + 300;
    ComPortClient whole_client(settings);
    whole_client.greeting();
    QByteArray whole_client_data;
    const QByteArray whole_reply = whole_client.feed(stream, length, whole_client_data);
    ComPortClient chunked_client(settings);
    chunked_client.greeting();
    QByteArray chunked_client_data;
    QByteArray chunked_reply;
    in_chunks(seed, size_t(length), [&](size_t at, size_t piece) {
        chunked_reply += chunked_client.feed(stream + at, int(piece), chunked_client_data);
    });
    require(whole_client_data == whole_data && chunked_client_data == whole_data,
            "the client's data differs from the decoder's");
    require(whole_client.state() == chunked_client.state() && whole_reply == chunked_reply,
            "a read's end changes the negotiation");
    // Each command is answered with at most one option command, and the
    // settings are sent once: the client cannot be made to talk without end.
    require(whole_reply.size() <= 3 * whole_commands.size() + 64, "replies beyond one per command");
    return 0;
}
