#pragma once

#include "tags/tagconversion.h"

#include <QString>
#include <QVector>

// A tag map file read as "导入" fills the table: the same reader, the first
// worksheet, rows 0..row_limit-1 of its used range, five cells each. The
// command-line tools read maps through this, so that a file checks and sends
// from a script exactly as it would from the window.
struct MapRows {
    bool ok = false;
    QVector<TagRowTexts> rows; // row_limit rows, empty texts where the sheet has none
    QString failure;           // why the file was refused, when !ok
};

MapRows read_map_rows(const QString &path, int row_limit);
