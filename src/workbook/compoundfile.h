#pragma once

#include "workbook/readresult.h"

#include <QByteArray>
#include <QStringList>

// True when the bytes start with the signature of a Compound File Binary
// container, the envelope of .xls workbooks.
bool is_compound_file(const QByteArray &bytes);

// The bytes of the stream named one of `names`: the first directory entry so
// named, compared exactly up to the name's first NUL character, decides.
// Every sector number, chain and size is checked against the bytes actually
// present, so nothing is allocated from what the file merely declares.
// A file whose last sectors are missing gives what its sectors still hold,
// and sets `cut_short` when given. With `or_only_stream`, a file without
// such a stream whose one stream goes by another name gives that one.
// Refused when the container is malformed or has no such stream.
ReadResult<QByteArray> read_compound_stream(const QByteArray &bytes, const QStringList &names,
                                            bool *cut_short = nullptr, bool or_only_stream = false);
