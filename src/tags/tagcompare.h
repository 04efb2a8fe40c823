#pragma once

#include "protocol/tagrecord.h"

#include <QHash>
#include <QVector>

// The tags a transfer would send, whatever the limit, indexed by id: what
// the camera's own report of a tag is compared with.
class TableTags
{
public:
    struct Tag {
        int row = 0; // from 0
        TagRecord record;
    };

    // Rows are added in table order.
    void add(int row, const TagRecord &record);
    const QVector<Tag> &tags() const
    {
        return all;
    }

    enum class Match { confirmed, different, unknown };
    struct Comparison {
        Match match = Match::unknown;
        int row = -1; // the first row holding the id; -1 when none does
    };
    // The camera reported `reported`: compared with the first row of its id.
    Comparison compare(const TagRecord &reported) const;

private:
    QVector<Tag> all;
    QHash<int, int> first_of_id; // id -> index into all
};
