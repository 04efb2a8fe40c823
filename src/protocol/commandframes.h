#pragma once

#include "protocol/tagrecord.h"
#include "protocol/wirelayout.h"

#include <QByteArray>

// Every byte sequence the host sends to the camera, laid out as wirelayout.h
// says. Nothing is escaped: payload bytes go out as they are.
namespace protocol
{

// FF FE key FE FF: mode, clear-all, transfer start and end.
QByteArray short_frame(quint8 key);

// FF FE 0A 0B 0C 0D 0E 0F 01 <on> <check> FE FF.
QByteArray angle_frame(bool compensation_on);

// The 18-byte tag frame with its markers in place and bytes 2..15 zero.
QByteArray record_frame_template();

// Writes bytes 2..15 of an 18-byte tag frame from `record`. The record must be
// in the ranges the tag table's conversion guarantees (magnitudes below 65536).
void fill_record_frame(QByteArray &frame, const TagRecord &record);

// Nothing is escaped on the line, so FF FE or FE FF inside a frame restarts or
// ends it at the receiver. The position of the first byte of the first such
// pair between the frame's own two markers, or -1 when there is none.
int marker_inside_frame(const QByteArray &frame);

// The tag table column whose value tag-frame byte `position` carries: 0 code
// id, 1 x, 2 y, 3 side length, 4 angle; -1 for the markers and the check byte.
int record_frame_column(int position);

} // namespace protocol
