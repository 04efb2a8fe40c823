#include "mapcheck.h"

#include "tags/mapfile.h"
#include "tags/tagtable.h"
#include "transfer/fingerprint.h"
#include "transfer/recordcheck.h"

#include <algorithm>

namespace maptool
{

MapCheck check_map_file(const QString &path, int limit)
{
    MapCheck check;
    const MapRows map = read_map_rows(path, TAG_TABLE_ROWS);
    if (!map.ok) {
        check.failure = map.failure;
        return check;
    }
    const int within = std::clamp(limit, 0, int(map.rows.size()));
    const QVector<TagRowTexts> rows = map.rows.mid(0, within);
    int beyond = 0;
    for (int row = within; row < map.rows.size(); ++row)
        if (tag_record_from_texts(map.rows.at(row)))
            ++beyond;
    const transfer::Start start = transfer::start(transfer::State(), rows, beyond);
    if (start.refusal) {
        check.refusal = *start.refusal;
        check.findings = check_tag_rows(rows, beyond);
        for (int row = 0; row < rows.size() && !check.unreceivable_row; ++row) {
            const std::optional<TagRecord> record = tag_record_from_texts(rows.at(row));
            if (record && why_camera_cannot_receive(*record, tag_table_headers()))
                check.unreceivable_row = row + 1;
        }
        return check;
    }
    check.findings = start.findings;
    check.records = start.next.list;
    check.fingerprint = transfer::fingerprint(check.records);
    return check;
}

} // namespace maptool
