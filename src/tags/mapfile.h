#pragma once

#include "tags/tagconversion.h"

#include <QString>
#include <QVector>
#include <optional>

// A tag map file read as "导入" fills the table: the same reader, the first
// worksheet, rows 0..row_limit-1 of its used range, five cells each; or a
// DXF drawing's tags (mapdxf.h), told from a workbook by its content. The
// command-line tools read maps through this, so that a file checks and sends
// from a script exactly as it would from the window.
struct MapRows {
    bool ok = false;
    QVector<TagRowTexts> rows; // row_limit rows, empty texts where the sheet has none
    QString failure;           // why the file was refused, when !ok
};

// A drawing that does not state its units is read in `dxf_units_if_unstated`
// (a $INSUNITS code) when given, else refused with a reason that says how to
// name them.
MapRows read_map_rows(const QString &path, int row_limit,
                      std::optional<int> dxf_units_if_unstated = std::nullopt);

// The log line of a drawing the import refuses, in the workbooks' wording.
QString dxf_refusal_text(const QString &path, const QString &reason);

// Whether the file starts as a DXF drawing does.
bool is_dxf_file(const QString &path);
