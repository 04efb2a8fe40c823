#pragma once

#include <QByteArray>

// Cuts the camera's frames out of the received byte stream, one byte at a time.
// A frame is FF FE <payload> FE FF with nothing escaped, so markers may
// overlap: FF FE FF is a complete frame, FE FF FE ends one frame and starts
// the next, and FF FE inside a frame starts it again.
//
// What is kept of a frame (the collected frame) is the wire frame without its
// first and last byte: FE, the payload, FE.
namespace protocol
{

// The longest collected frame the decoder recognises: a 12-byte list of 127
// entries. Anything longer is noise, and keeping it would let a stream that
// never ends a frame grow the buffer without bound.
constexpr int kMaxCollectedFrame = 12 * 127 + 4;

// Runs `byte` through the receive state. Returns true when the byte completed
// a frame; `frame` then holds the collected frame until the caller consumes it
// or the next start marker clears it.
bool cut_byte(quint8 byte, bool &ff_seen, bool &in_frame, bool &fe_seen, QByteArray &frame);

} // namespace protocol
