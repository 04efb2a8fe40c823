#include "protocol/framecutter.h"

namespace protocol
{

namespace
{

// Room for every report but the lists, kept from frame to frame so that
// collecting a frame allocates nothing.
constexpr int kUsualFrameCapacity = 64;

void start_frame(QByteArray &frame)
{
    frame.resize(0);
    if (frame.capacity() < kUsualFrameCapacity)
        frame.reserve(kUsualFrameCapacity);
}

} // namespace

bool cut_byte(quint8 byte, bool &ff_seen, bool &in_frame, bool &fe_seen, QByteArray &frame)
{
    if (ff_seen) {
        ff_seen = false;
        if (byte == 0xFE) {
            in_frame = true;
            start_frame(frame);
        }
    }

    bool completed = false;
    if (byte == 0xFF) {
        ff_seen = true;
        if (fe_seen) {
            // The 0xFE stays "seen": FE FF FE is an end marker and a start marker.
            if (in_frame) {
                in_frame = false;
                completed = true;
            } else {
                fe_seen = false;
            }
        }
    } else {
        fe_seen = byte == 0xFE;
    }

    if (in_frame) {
        if (frame.size() >= kMaxCollectedFrame) {
            in_frame = false;
            frame.clear();
            return false;
        }
        frame.append(char(byte));
    }
    return completed;
}

} // namespace protocol
