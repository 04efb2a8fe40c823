#pragma once

#include "protocol/tagrecord.h"

#include <QString>
#include <QVector>

namespace transfer
{

// What identifies a map in the camera: the first 16 lower-case hex digits of
// SHA-256 over the record frames, in the order a transfer sends them. Two
// tables that send the same records share it, whatever file or edits they
// came from; a reordered table does not, because the camera stores the
// records in the order they arrive.
QString fingerprint(const QVector<TagRecord> &records);

} // namespace transfer
