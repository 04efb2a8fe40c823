#pragma once

#include "tags/tagconversion.h"

#include <QString>
#include <QVector>

namespace maptool
{

// A map file as the table would hold it after "导入", split where the
// transfer limit splits the table: the rows a transfer scans, and how many
// tags lie in the rows after them.
struct MapInput {
    bool ok = false;
    QString failure; // the import's reason, when !ok
    QVector<TagRowTexts> scanned;
    int tags_beyond_limit = 0;
    // Every row, as the window's mode-2 comparison reads the whole table.
    QVector<TagRowTexts> all_rows;
};

MapInput read_map_input(const QString &path, int limit);

} // namespace maptool
