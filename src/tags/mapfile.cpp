#include "tags/mapfile.h"

#include "tags/sheetengine.h"
#include "tags/tagtable.h"

#include <algorithm>

MapRows read_map_rows(const QString &path, int row_limit)
{
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
