#pragma once

#include "tags/tagconversion.h"

#include <QString>
#include <QVector>

namespace maptool
{

// A map file's rows as the table would hold them after "导入", for the
// mode-2 comparison, which reads the whole table; the first `scanned_rows`
// are those a transfer with the limit scans.
struct MapRowsInput {
    bool ok = false;
    QString failure; // the import's reason, when !ok
    QVector<TagRowTexts> all_rows;
    int scanned_rows = 0;
};

MapRowsInput read_map_input(const QString &path, int limit);

} // namespace maptool
