#pragma once

#include "protocol/tagrecord.h"

#include <QByteArray>
#include <QString>

// The host's frames as the camera reads them. The camera cuts the stream with
// the same framing as the host, so a frame reaches this point as a collected
// frame (the wire frame without its first and last byte) and is told apart by
// its length and key byte, as the camera does.
namespace camera
{

enum class HostFrameKind {
    ModeOne,           // FF FE F0 FE FF
    ModeTwo,           // FF FE F1 FE FF: also report the codes and tags in view
    ClearAll,          // FF FE FC FE FF: forget every stored tag
    TransferStart,     // FF FE FA FE FF
    TransferEnd,       // FF FE FB FE FF
    AngleCompensation, // the 13-byte frame; `compensation_on` says which way
    Tag,               // the 18-byte tag frame; `record` holds its fields
    Unknown,           // no frame the host sends has this shape
};

struct HostFrame {
    HostFrameKind kind = HostFrameKind::Unknown;
    // For the frames that carry a check byte: whether it is the mean of its set.
    // A frame whose check byte fails is still classified, so that it can be
    // logged as what it was meant to be; the camera does not act on it.
    bool check_byte_ok = true;
    bool compensation_on = false;
    // The tag frame's fields: the id as its 16-bit magnitude, the signed
    // values with their sign bytes applied.
    TagRecord record;
};

HostFrame classify_host_frame(const QByteArray &collected);

// "mode 1", "tag 300 x -120 y 45 side 150 angle -90", "unknown (4 bytes)"...
QString describe_host_frame(const HostFrame &frame, int collected_size);

} // namespace camera
