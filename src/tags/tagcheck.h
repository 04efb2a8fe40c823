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
};
constexpr int kTagFindingKinds = 5;

struct TagFinding {
    TagFindingKind kind = TagFindingKind::not_whole_number;
    int row = 0;       // as the table numbers it, from 1
    int column = 0;    // 0..4; the id column for the kinds about whole rows
    QString cell;      // the cell's text as typed
    QString sent;      // what the camera receives, empty when nothing is sent
    int other_row = 0; // the earlier row a duplicate or a same place repeats
    int count = 0;     // beyond_limit: how many tags the limit leaves out
};

// Checks rows 0..rows.size()-1 (those a transfer scans) in table order;
// `tags_beyond_limit` tag rows follow them in the table. Findings come
// ordered by row within each kind, kinds in declaration order.
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
