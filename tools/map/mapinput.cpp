#include "mapinput.h"

#include "tags/mapfile.h"
#include "tags/tagtable.h"

#include <algorithm>

namespace maptool
{

MapInput read_map_input(const QString &path, int limit)
{
    MapInput input;
    MapRows map = read_map_rows(path, TAG_TABLE_ROWS);
    if (!map.ok) {
        input.failure = map.failure;
        return input;
    }
    input.ok = true;
    const int scanned = std::clamp(limit, 0, int(map.rows.size()));
    input.scanned = map.rows.mid(0, scanned);
    for (int row = scanned; row < map.rows.size(); ++row)
        if (tag_record_from_texts(map.rows.at(row)))
            ++input.tags_beyond_limit;
    input.all_rows = std::move(map.rows);
    return input;
}

} // namespace maptool
