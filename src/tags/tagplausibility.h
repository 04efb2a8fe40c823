#pragma once

#include "protocol/tagrecord.h"

#include <QVector>

struct TagFinding;

// One tag a transfer would send, with its table row (from 0).
struct RowTag {
    int row = 0;
    TagRecord record;
};

// What looks like a typing mistake on a floor laid as a grid: a tag off the
// grid the others lie on, an id that breaks the numbering the others
// follow, an angle or a side unlike nearly all others. A floor whose tags
// lie on no one lattice (80 % of them, and at least 9) gets none of these.
// Findings come by kind, each ordered by row.
QVector<TagFinding> plausibility_findings(const QVector<RowTag> &tags);
