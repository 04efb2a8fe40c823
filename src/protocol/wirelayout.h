#pragma once

#include <QtGlobal>
#include <array>

// Where every byte of every frame on the camera's line stands, in both
// directions. Positions are wire positions: byte 0 is the first byte of the
// start marker FF FE, and the end marker FE FF closes the frame. Frames carry
// no length: the receiver tells them apart by their size and a key byte.
//
// A check byte is the truncated mean of a fixed set of the frame's own bytes,
// each read as unsigned; each layout names its set.
namespace protocol
{

constexpr quint8 kMarkerFF = 0xFF;
constexpr quint8 kMarkerFE = 0xFE;

// Key bytes at position 2 of the five-byte frames and of two reports.
constexpr quint8 kModeOneKey = 0xF0;
constexpr quint8 kModeTwoKey = 0xF1;
constexpr quint8 kClearAllKey = 0xFC;
constexpr quint8 kTransferStartKey = 0xFA; // the host's request and the camera's answer
constexpr quint8 kTransferEndKey = 0xFB;   // likewise
constexpr quint8 kErrorKey = 0xFE;
constexpr quint8 kCountKey = 0xFD;

constexpr int kKeyByte = 2;

// FF FE <key> FE FF: the host's commands, and the camera's start and end
// acknowledgements.
constexpr int kShortFrameSize = 5;

// FF FE FE <value> FE FF.
constexpr int kErrorReportSize = 6;

// FF FE FD <first:16> <second:16> FE FF.
constexpr int kCountReportSize = 9;
constexpr int kCountFirst = 3;
constexpr int kCountSecond = 5;

// FF FE <id:16> <extra> FE FF.
constexpr int kRecordAckSize = 7;
constexpr int kRecordAckId = 2;
constexpr int kRecordAckExtra = 4;

// The host's angle compensation: fixed bytes 2..8, the switch, a check byte.
constexpr int kAngleFrameSize = 13;
constexpr std::array<quint8, 7> kAngleFixedBytes = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x01};
constexpr int kAngleFixedFrom = 2;
constexpr int kAngleSwitch = 9;
constexpr int kAngleCheck = 10;
constexpr std::array<int, 6> kAngleCheckSet = {3, 4, 6, 7, 8, 9};

// The tag frame: the host's record of the transfer and the camera's mode-2
// tag report. Signed values are a sign byte (1 = negative) and a 16-bit
// magnitude; the side length has no sign byte.
constexpr int kTagFrameSize = 18;
constexpr int kTagId = 2;
constexpr int kTagX = 4; // sign, then magnitude at 5..6
constexpr int kTagY = 7;
constexpr int kTagSide = 10;
constexpr int kTagAngle = 12;
constexpr int kTagCheck = 15;
constexpr std::array<int, 10> kTagCheckSet = {2, 3, 5, 6, 8, 9, 10, 11, 13, 14};

// The position report: x and y in tenths with 24-bit magnitudes, the
// rotation angle in tenths, the attitude angles in hundredths of a degree.
// Byte 18 is not read.
constexpr int kPositionReportSize = 22;
constexpr int kPositionX = 2; // sign, then magnitude at 3..5
constexpr int kPositionY = 6; // sign, then magnitude at 7..9
constexpr int kPositionRotation = 10;
constexpr int kPositionAttitudeX = 12;
constexpr int kPositionAttitudeY = 15;
constexpr int kPositionIgnored = 18;
constexpr int kPositionCheckByte = 19;
constexpr std::array<int, 12> kPositionCheckSet = {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17};

// The lists: FF FE <count> <count entries> <ignored> FE FF. The count is read
// as a signed byte. The code list's entries are 11 bytes (offsets within an
// entry below); lists of 12-byte entries are recognised and dropped.
constexpr int kListCount = 2;
constexpr int kListFirstEntry = 3;
constexpr int kListOverhead = 6; // markers, count and the ignored byte
constexpr int kMaxCodeListEntries = 127;
constexpr int kCodeListEntrySize = 11;
constexpr int kTwelveByteEntrySize = 12;
constexpr int kCodeId = 0;
constexpr int kCodeFirst = 2; // sign, then magnitude at 3..4
constexpr int kCodeSecond = 5;
constexpr int kCodeThird = 8;
constexpr int kCodeCheck = 10;
constexpr std::array<int, 8> kCodeCheckSet = {0, 1, 3, 4, 6, 7, 8, 9};

} // namespace protocol
