#include "tags/mapfile.h"

#include "tags/mapdxf.h"
#include "tags/sheetengine.h"
#include "tags/tagtable.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace
{

constexpr int kHeadBytes = 4096;

MapRows read_dxf_map(const QString &path, int row_limit, std::optional<int> units_if_unstated)
{
    MapRows map;
    const DxfMapRows drawing = map_rows_from_dxf(read_dxf_file(path), units_if_unstated);
    const QString refused =
        QStringLiteral("import of %1 refused (DXF): %2").arg(QDir::toNativeSeparators(path));
    switch (drawing.status) {
    case DxfMapRows::Status::refused:
        map.failure = refused.arg(drawing.refusal);
        return map;
    case DxfMapRows::Status::units_unstated:
        map.failure = refused.arg(
            QStringLiteral("the drawing does not state its units ($INSUNITS); name them with "
                           "poscam-map convert --dxf-units mm|cm|m|inch"));
        return map;
    case DxfMapRows::Status::read:
        break;
    }
    map.rows = drawing.rows;
    map.rows.resize(std::clamp(row_limit, 0, TAG_TABLE_ROWS));
    map.ok = true;
    return map;
}

} // namespace

QString dxf_refusal_text(const QString &path, const QString &reason)
{
    return QStringLiteral("import of %1 refused (DXF): %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

bool is_dxf_file(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && looks_like_dxf(file.read(kHeadBytes));
}

MapRows read_map_rows(const QString &path, int row_limit, std::optional<int> dxf_units_if_unstated)
{
    if (is_dxf_file(path))
        return read_dxf_map(path, row_limit, dxf_units_if_unstated);
    MapRows map;
    SheetEngine engine;
    if (!engine.open(path, 1, false)) {
        map.failure = engine.failure();
        return map;
    }
    const int rows = std::clamp(row_limit, 0, TAG_TABLE_ROWS);
    map.rows.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        TagRowTexts texts;
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column)
            texts[column] = engine.range_cell(row, column);
        map.rows.append(texts);
    }
    map.ok = true;
    return map;
}
