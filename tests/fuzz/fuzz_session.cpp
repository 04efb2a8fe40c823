// Any file's bytes as a session: the reader the player, the scan and
// poscam-session share, and the inbound bytes through the decoder the scan
// counts positions with. Nothing may crash, hang, read past a block or hand
// out a packet larger than a block can hold; a refusal always says why.
#include "protocol/receiveloop.h"
#include "session/pcapng.h"
#include "session/sessionreader.h"

#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    session::SessionReader reader;
    if (!reader.open(&file)) {
        require(!reader.error().isEmpty(), "a refused file has a reason");
        return 0;
    }
    protocol::ReceiveLoop decoder;
    decoder.on_report = [](const protocol::Report &) {};
    session::SessionPacket packet;
    session::SessionReader::Next next;
    qint64 read_bytes = 0;
    while ((next = reader.next(packet)) == session::SessionReader::Next::Packet) {
        require(packet.bytes.size() <= int(session::kMaxBlockBytes), "packet within its block");
        read_bytes += packet.bytes.size();
        require(read_bytes <= qint64(size), "packets hold no more than the file");
        if (packet.inbound)
            decoder.feed(packet.bytes);
    }
    require(next == session::SessionReader::Next::End || !reader.error().isEmpty(),
            "an error has a reason");
    require(reader.next(packet) == next, "the end stays the end");
    return 0;
}
