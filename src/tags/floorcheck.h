#pragma once

#include "tags/tagcompare.h"

#include <QHash>
#include <QVector>

// The floor as the camera's mode-2 reports have proved it so far: the
// table's tags, the camera's report of each, and the ids the camera holds
// that the table lacks. The window, its acceptance window and the command
// line's report all read the floor from here.
class FloorCheck
{
public:
    struct Mark {
        TableTags::Match match = TableTags::Match::unknown;
        TagRecord camera;
    };

    // A table read anew; the marks stay with their rows.
    void set_table(TableTags tags);
    const TableTags &table() const
    {
        return table_tags;
    }

    // The camera reported `reported`: compared with the table and kept.
    TableTags::Comparison camera_reports(const TagRecord &reported);

    // The row was edited: what the camera said of it no longer applies.
    bool forget_row(int row);
    // Every mark goes, as if the camera had reported nothing yet.
    void clear_marks();

    const QHash<int, Mark> &marks() const
    {
        return marks_by_row;
    }
    const QHash<int, TagRecord> &unknown() const
    {
        return unknown_by_id;
    }

    struct Counts {
        int confirmed = 0;
        int different = 0;
        int unknown = 0; // ids the camera holds that the table lacks
        int unseen = 0;
        // The tags a transfer would send: confirmed, different and unseen.
        int total() const
        {
            return confirmed + different + unseen;
        }
    };

    // For the tags in rows 0..limit-1, the rows a transfer sends.
    Counts counts(int limit) const;

    struct Listed {
        int row = -1; // -1 for an id the table lacks
        TagRecord table;
        TagRecord camera;
    };
    // Within the limit, in table order; the unknown ones by id.
    QVector<Listed> different_tags(int limit) const;
    QVector<Listed> unseen_tags(int limit) const;
    QVector<Listed> unknown_tags() const;

private:
    TableTags table_tags;
    QHash<int, Mark> marks_by_row;
    QHash<int, TagRecord> unknown_by_id;
};
