#pragma once

#include "tags/tagcheck.h"
#include "transfer/transfer.h"

#include <QString>
#include <QVector>
#include <optional>

// A map file taken as "开始传输" takes the table: the rows within the limit
// become the records, the check runs over them, and the tags after the limit
// count as left out. check and send both start from this.
namespace maptool
{

struct MapCheck {
    QString failure; // why the file could not be read; empty when it could
    // A record the camera can never receive: its row (from 1) and the
    // window's warning. Such a map is never sent.
    int unreceivable_row = 0;
    QString refusal;
    QVector<TagFinding> findings;
    QVector<TagRecord> records; // what a transfer sends, in order
    QString fingerprint;
};

// The whole file is read, up to the table's 20000 rows, so that tags after
// the limit are named instead of silently left behind.
MapCheck check_map_file(const QString &path, int limit);

} // namespace maptool
