#pragma once

#include "protocol/reportdecoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The texts the operator reads: the receive log and the lines of the mode-2
// box. Numbers are written the way the camera's operators know them: integers
// in base 10, decoded values with at most six significant digits.
namespace protocol
{

// "FF FE 0A " for the bytes FF FE 0A: two upper-case digits and a space each.
QString hex_echo(const QByteArray &bytes);

// A text box lays a paragraph out whole, and the cost grows much faster than
// its length: one paragraph of 4 MiB of echo froze the window for minutes,
// while paragraphs of this many bytes' echo cost a fraction of a millisecond.
constexpr int kEchoBytesPerParagraph = 1024;

// The receive log's paragraphs for one read: the echo of its bytes in order,
// kEchoBytesPerParagraph bytes to a paragraph.
QStringList hex_echo_paragraphs(const QByteArray &bytes);

// A decoded value as shown: six significant digits, exponent from one million.
QString decoded_text(double value);

// "x,y", as shown in the position field.
QString location_text(float x, float y);

// An angle with its degree sign.
QString degrees_text(float degrees);

// One line of the mode-2 box per stored tag: id, x, y, side and angle.
QString tag_line(const TagReport &tag);

// One line of the mode-2 box per code in view.
QString code_list_line(const CodeListEntry &entry);

} // namespace protocol
