#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVector>

// The export file's bytes: UTF-8 without a byte-order mark, one line per
// row, every cell's text followed by a TAB (so an empty row of five cells is
// five TABs), lines separated by a line feed and no line feed after the last.
// No rows give an empty file. Writing the bytes in text mode turns the line
// feeds into the platform's line ends.
QByteArray tag_export_bytes(const QVector<QStringList> &rows);
