#include "session/inbounddecoder.h"

#include "protocol/framecutter.h"

namespace session
{

void InboundDecoder::feed(const QByteArray &bytes)
{
    for (char byte : bytes) {
        if (!protocol::cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame))
            continue;
        const std::optional<protocol::Report> report = protocol::decode_report(frame);
        if (!report)
            continue;
        frame.resize(0);
        if (on_report)
            on_report(*report);
    }
}

} // namespace session
