#pragma once

#include "dxf/dxfreader.h"
#include "tags/tagconversion.h"

#include <QString>
#include <QVector>
#include <optional>

// The tag map in a DXF drawing. In, as an engineer places tags on a floor
// plan: each block reference (INSERT) with an attribute ID gives one row,
// in the drawing's order; its insertion point gives x and y, its rotation
// the angle, an attribute SIDE (millimetres, whatever the drawing's unit)
// the side. Out: each tag a reference on layer TAGS to a block holding a
// closed square of its side, so that CAD programs draw the square turned
// by the tag's angle, with the id as a visible attribute on layer TAG_IDS
// and the side as a hidden one; units centimetres ($INSUNITS 5).

// Centimetres per drawing unit for the units the import reads (mm, cm, m,
// inch); nothing for any other.
std::optional<double> centimetres_per_unit(int dxf_units);

struct DxfMapRows {
    enum class Status { read, refused, units_unstated };
    Status status = Status::refused;
    QVector<TagRowTexts> rows;
    QString refusal; // short English text, when refused
};

// The rows of the drawing. A drawing that does not state its units is read
// in `units_if_unstated` when given, else comes back units_unstated.
DxfMapRows map_rows_from_dxf(const DxfRead &read, std::optional<int> units_if_unstated);

// Writes the tags among `rows` (those a transfer would send, as sent).
bool write_map_dxf(const QString &path, const QVector<TagRowTexts> &rows, QString *error);
