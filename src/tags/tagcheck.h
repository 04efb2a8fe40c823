#pragma once

#include "tags/tagconversion.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What the row conversion would do to the table behind the operator's back:
// found before a transfer so that a wrong map never reaches the camera
// unseen.
enum class TagFindingKind {
    not_whole_number, // a cell QString::toInt cannot read: sent as 0
    folded,           // the conversion changes the value
    duplicate_id,     // another row converts to the same id
    same_place,       // another tag with a different id at the same x and y
    beyond_limit,     // tags in rows the transfer does not reach
    // What looks like a typing mistake on a floor laid as a grid; these
    // never change what is sent.
    off_grid,            // a tag off the lattice the others lie on
    id_out_of_sequence,  // an id that breaks the numbering the others follow
    angle_unlike_others, // nearly all others share another angle
    side_unlike_others,  // nearly all others share another side
};
constexpr int kTagFindingKinds = 9;

struct TagFinding {
    TagFindingKind kind = TagFindingKind::not_whole_number;
    int row = 0;       // as the table numbers it, from 1
    int column = 0;    // 0..4; the id column for the kinds about whole rows
    QString cell;      // the cell's text as typed
    QString sent;      // what the camera receives, empty when nothing is sent
    int other_row = 0; // the earlier row a duplicate or a same place repeats
    int count = 0;     // beyond_limit: how many tags the limit leaves out
    // The plausibility kinds: the nearest lattice point ("174, 300"), the id
    // the numbering expects, or the angle or side the others share.
    QString expected;
};

// Checks rows 0..rows.size()-1 (those a transfer scans) in table order;
// `tags_beyond_limit` tag rows follow them in the table. Findings come
// ordered by row within each kind, kinds in declaration order. A first row
// of column titles (five texts, none a number) is no finding: nearly every
// workbook has one.
QVector<TagFinding> check_tag_rows(const QVector<TagRowTexts> &rows, int tags_beyond_limit);

// The kind's name for scripts, as its enumerator is spelt ("duplicate_id").
QString tag_finding_kind_name(TagFindingKind kind);

// One short line for the operator naming the row, the column and what the
// camera receives. Cell texts of any length are cut short.
QString tag_finding_line(const TagFinding &finding);

// "<kind>：N 处" for every kind found, one per line.
QString tag_finding_summary(const QVector<TagFinding> &findings);

// Every finding one per line, at most `max_lines`, then "…另有 N 处".
QString tag_finding_details(const QVector<TagFinding> &findings, int max_lines = 2000);
