#include "mapinput.h"

#include "tags/mapfile.h"
#include "tags/tagtable.h"

#include <algorithm>

namespace maptool
{

MapRowsInput read_map_input(const QString &path, int limit)
{
    MapRowsInput input;
    MapRows map = read_map_rows(path, TAG_TABLE_ROWS);
    if (!map.ok) {
        input.failure = map.failure;
        return input;
    }
    input.ok = true;
    input.scanned_rows = std::clamp(limit, 0, int(map.rows.size()));
    input.all_rows = std::move(map.rows);
    return input;
}

} // namespace maptool
