#include "tags/tagcompare.h"

void TableTags::add(int row, const TagRecord &record)
{
    if (!first_of_id.contains(record.id))
        first_of_id.insert(record.id, all.size());
    all.append({row, record});
}

TableTags::Comparison TableTags::compare(const TagRecord &reported) const
{
    const auto found = first_of_id.constFind(reported.id);
    if (found == first_of_id.constEnd())
        return {};
    const Tag &tag = all.at(found.value());
    return {tag.record == reported ? Match::confirmed : Match::different, tag.row};
}
