#include "tags/floorcheck.h"

#include <algorithm>

void FloorCheck::set_table(TableTags tags)
{
    table_tags = std::move(tags);
}

TableTags::Comparison FloorCheck::camera_reports(const TagRecord &reported)
{
    const TableTags::Comparison comparison = table_tags.compare(reported);
    if (comparison.row < 0)
        unknown_by_id.insert(reported.id, reported);
    else
        marks_by_row.insert(comparison.row, Mark{comparison.match, reported});
    return comparison;
}

bool FloorCheck::forget_row(int row)
{
    return marks_by_row.remove(row) > 0;
}

void FloorCheck::clear_marks()
{
    marks_by_row.clear();
    unknown_by_id.clear();
}

FloorCheck::Counts FloorCheck::counts(int limit) const
{
    Counts counts;
    for (const TableTags::Tag &tag : table_tags.tags()) {
        if (tag.row >= limit)
            break; // rows come in table order
        const auto mark = marks_by_row.constFind(tag.row);
        if (mark == marks_by_row.constEnd())
            ++counts.unseen;
        else if (mark->match == TableTags::Match::confirmed)
            ++counts.confirmed;
        else
            ++counts.different;
    }
    counts.unknown = unknown_by_id.size();
    return counts;
}

QVector<FloorCheck::Listed> FloorCheck::different_tags(int limit) const
{
    QVector<Listed> listed;
    for (const TableTags::Tag &tag : table_tags.tags()) {
        if (tag.row >= limit)
            break;
        const auto mark = marks_by_row.constFind(tag.row);
        if (mark != marks_by_row.constEnd() && mark->match == TableTags::Match::different)
            listed.append({tag.row, tag.record, mark->camera});
    }
    return listed;
}

QVector<FloorCheck::Listed> FloorCheck::unseen_tags(int limit) const
{
    QVector<Listed> listed;
    for (const TableTags::Tag &tag : table_tags.tags()) {
        if (tag.row >= limit)
            break;
        if (!marks_by_row.contains(tag.row))
            listed.append({tag.row, tag.record, TagRecord()});
    }
    return listed;
}

QVector<FloorCheck::Listed> FloorCheck::unknown_tags() const
{
    QVector<Listed> listed;
    listed.reserve(unknown_by_id.size());
    for (const TagRecord &reported : unknown_by_id)
        listed.append({-1, TagRecord(), reported});
    std::sort(listed.begin(), listed.end(),
              [](const Listed &a, const Listed &b) { return a.camera.id < b.camera.id; });
    return listed;
}
