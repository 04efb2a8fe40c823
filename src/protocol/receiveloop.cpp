#include "protocol/receiveloop.h"

#include "protocol/framecutter.h"

namespace protocol
{

void ReceiveLoop::feed(const QByteArray &bytes)
{
    for (char byte : bytes) {
        if (!cut_byte(quint8(byte), ff_seen, in_frame, fe_seen, frame))
            continue;
        const std::optional<Report> report = decode_report(frame);
        if (!report) {
            // Left in place, as the window leaves it: the next start marker
            // discards it.
            ++not_applied;
            continue;
        }
        frame.resize(0); // emptied, but its buffer serves the next frame
        if (report->check_failed)
            ++not_applied;
        if (on_report)
            on_report(*report);
    }
}

void ReceiveLoop::reset()
{
    ff_seen = false;
    in_frame = false;
    fe_seen = false;
    frame.clear();
}

} // namespace protocol
