#pragma once

#include "protocol/tagrecord.h"

#include <QString>
#include <QStringList>
#include <optional>

// Why the camera can never receive `record` whole, or nothing when it can.
// The camera cuts frames as the host does, so a tag frame whose bytes hold FF
// FE or FE FF between its markers (an x or y of magnitude 65279 or 65534)
// arrives cut short or restarted, however often it is sent. The reason names
// the field by its entry in `column_names`, the tag table's headers.
std::optional<QString> why_camera_cannot_receive(const TagRecord &record,
                                                 const QStringList &column_names);

// The warning for the first such record: its row as the table numbers it
// (from 1) and, on a line of its own, the reason.
QString unreceivable_row_text(int row_number, const QString &why);
