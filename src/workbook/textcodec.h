#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The text in `bytes` when all of it is UTF-8, a byte order mark at the
// start left out; nothing when any sequence is not UTF-8 or the bytes end
// inside one. The two toolkits decode through different classes; both give
// the same answer here.
std::optional<QString> decode_utf8_strictly(const QByteArray &bytes);
