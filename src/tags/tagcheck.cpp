#include "tags/tagcheck.h"

#include "tags/tagplausibility.h"
#include "tags/tagtable.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace
{

constexpr int kIdColumn = 0;
constexpr int kShownCellChars = 16;
constexpr int kIdsSent = 20000;

bool reads_as_int(const QString &text, int *value)
{
    bool ok = false;
    *value = text.toInt(&ok, 10);
    return ok;
}

bool is_blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// Newlines, tabs and long texts would break the box's lines.
QString shortened(const QString &text)
{
    QString flat = text.simplified();
    if (flat.size() > kShownCellChars)
        flat = flat.left(kShownCellChars - 1) + QChar(0x2026);
    return flat;
}

int sent_field(const TagRecord &record, int column)
{
    switch (column) {
    case 0:
        return record.id;
    case 1:
        return record.x_cm;
    case 2:
        return record.y_cm;
    case 3:
        return record.side_mm;
    default:
        return record.angle_deg;
    }
}

QString kind_name(TagFindingKind kind)
{
    switch (kind) {
    case TagFindingKind::not_whole_number:
        return QStringLiteral("不是整数");
    case TagFindingKind::folded:
        return QStringLiteral("超出范围被折算");
    case TagFindingKind::duplicate_id:
        return QStringLiteral("编号重复");
    case TagFindingKind::same_place:
        return QStringLiteral("位置相同");
    case TagFindingKind::beyond_limit:
        return QStringLiteral("超出传输数量");
    case TagFindingKind::off_grid:
        return QStringLiteral("不在网格上");
    case TagFindingKind::id_out_of_sequence:
        return QStringLiteral("编号不连续");
    case TagFindingKind::angle_unlike_others:
        return QStringLiteral("角度与其他不同");
    case TagFindingKind::side_unlike_others:
        return QStringLiteral("边长与其他不同");
    }
    return QString();
}

// Column titles: every cell holds text, and none of it is a number.
bool is_header_row(const TagRowTexts &texts)
{
    for (const QString &text : texts) {
        bool number = false;
        text.trimmed().toDouble(&number);
        if (is_blank(text) || number)
            return false;
    }
    return true;
}

} // namespace

QString tag_finding_kind_name(TagFindingKind kind)
{
    switch (kind) {
    case TagFindingKind::not_whole_number:
        return QStringLiteral("not_whole_number");
    case TagFindingKind::folded:
        return QStringLiteral("folded");
    case TagFindingKind::duplicate_id:
        return QStringLiteral("duplicate_id");
    case TagFindingKind::same_place:
        return QStringLiteral("same_place");
    case TagFindingKind::beyond_limit:
        return QStringLiteral("beyond_limit");
    case TagFindingKind::off_grid:
        return QStringLiteral("off_grid");
    case TagFindingKind::id_out_of_sequence:
        return QStringLiteral("id_out_of_sequence");
    case TagFindingKind::angle_unlike_others:
        return QStringLiteral("angle_unlike_others");
    case TagFindingKind::side_unlike_others:
        return QStringLiteral("side_unlike_others");
    }
    return QString();
}

QVector<TagFinding> check_tag_rows(const QVector<TagRowTexts> &rows, int tags_beyond_limit)
{
    std::array<QVector<TagFinding>, kTagFindingKinds> by_kind;
    auto add = [&by_kind](TagFindingKind kind, int row, int column, const QString &cell,
                          const QString &sent, int other_row) {
        TagFinding finding;
        finding.kind = kind;
        finding.row = row;
        finding.column = column;
        finding.cell = cell;
        finding.sent = sent;
        finding.other_row = other_row;
        by_kind[int(kind)].append(finding);
    };
    // Ids the camera receives are 1..19999: an array is cheaper than a hash.
    std::vector<int> first_row_of_id(kIdsSent, 0);
    QVector<RowTag> tags;
    tags.reserve(rows.size());

    for (int index = 0; index < rows.size(); ++index) {
        const TagRowTexts &texts = rows.at(index);
        const int row = index + 1;
        int id_value = 0;
        if (!reads_as_int(texts[kIdColumn], &id_value)) {
            // The whole row stays behind, whatever its other cells hold.
            if (!is_blank(texts[kIdColumn]) && !(index == 0 && is_header_row(texts)))
                add(TagFindingKind::not_whole_number, row, kIdColumn, texts[kIdColumn], {}, 0);
            continue;
        }
        const std::optional<TagRecord> record = tag_record_from_texts(texts);
        if (!record)
            continue;
        tags.append({index, *record});
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column) {
            const QString &text = texts[column];
            const int sent = sent_field(*record, column);
            int value = 0;
            if (!reads_as_int(text, &value)) {
                if (!is_blank(text))
                    add(TagFindingKind::not_whole_number, row, column, text, QString::number(sent),
                        0);
            } else if (value != sent) {
                add(TagFindingKind::folded, row, column, text, QString::number(sent), 0);
            }
        }
        int &first_of_id = first_row_of_id[size_t(record->id)];
        if (first_of_id > 0)
            add(TagFindingKind::duplicate_id, row, kIdColumn, texts[kIdColumn],
                QString::number(record->id), first_of_id);
        else
            first_of_id = row;
    }

    // Tags sorted by place, in table order within one place: the first of
    // each place is the row another id there repeats.
    std::vector<int> by_place(size_t(tags.size()));
    std::iota(by_place.begin(), by_place.end(), 0);
    auto place = [&tags](int k) {
        return std::make_pair(tags.at(k).record.x_cm, tags.at(k).record.y_cm);
    };
    std::stable_sort(by_place.begin(), by_place.end(),
                     [&place](int p, int q) { return place(p) < place(q); });
    for (size_t k = 1, first = 0; k < by_place.size(); ++k) {
        if (place(by_place[k]) != place(by_place[first])) {
            first = k;
            continue;
        }
        const RowTag &tag = tags.at(by_place[k]);
        if (tag.record.id == tags.at(by_place[first]).record.id)
            continue;
        const TagRowTexts &texts = rows.at(tag.row);
        add(TagFindingKind::same_place, tag.row + 1, 1, texts[1] + QLatin1Char(',') + texts[2],
            QStringLiteral("%1,%2").arg(tag.record.x_cm).arg(tag.record.y_cm),
            tags.at(by_place[first]).row + 1);
    }
    QVector<TagFinding> &same_place = by_kind[int(TagFindingKind::same_place)];
    std::sort(same_place.begin(), same_place.end(),
              [](const TagFinding &a, const TagFinding &b) { return a.row < b.row; });

    if (tags_beyond_limit > 0) {
        add(TagFindingKind::beyond_limit, int(rows.size()) + 1, kIdColumn, {}, {}, 0);
        by_kind[int(TagFindingKind::beyond_limit)].last().count = tags_beyond_limit;
    }

    QVector<TagFinding> findings;
    for (const QVector<TagFinding> &kind : by_kind)
        findings += kind;
    findings += plausibility_findings(tags);
    return findings;
}

QString tag_finding_line(const TagFinding &finding)
{
    const QStringList headers = tag_table_headers();
    const QString where = QStringLiteral("第 %1 行 %2 “%3”")
                              .arg(finding.row)
                              .arg(headers.value(finding.column), shortened(finding.cell));
    switch (finding.kind) {
    case TagFindingKind::not_whole_number:
        if (finding.sent.isEmpty())
            return where + QStringLiteral("：不是整数，整行不发送");
        return where + QStringLiteral("：不是整数，相机收到 %1").arg(finding.sent);
    case TagFindingKind::folded:
        return where + QStringLiteral("：超出范围，相机收到 %1").arg(finding.sent);
    case TagFindingKind::duplicate_id:
        return where + QStringLiteral("：与第 %1 行编号相同，相机收到 %2")
                           .arg(finding.other_row)
                           .arg(finding.sent);
    case TagFindingKind::same_place:
        return QStringLiteral("第 %1 行：与第 %2 行位置相同 (%3)")
            .arg(finding.row)
            .arg(finding.other_row)
            .arg(finding.sent);
    case TagFindingKind::beyond_limit:
        return QStringLiteral("表中第 %1 行起还有 %2 个标签不在传输范围内")
            .arg(finding.row)
            .arg(finding.count);
    case TagFindingKind::off_grid:
        return QStringLiteral("第 %1 行 (%2)：不在其他标签的网格上，可能应为 %3")
            .arg(finding.row)
            .arg(finding.cell, finding.expected);
    case TagFindingKind::id_out_of_sequence:
        if (finding.other_row > 0)
            return QStringLiteral("第 %1 行与第 %2 行的编号像是互换了 (%3 与 %4)")
                .arg(finding.row)
                .arg(finding.other_row)
                .arg(finding.cell, finding.expected);
        return where +
               QStringLiteral("：与其他标签的编号顺序不符，按顺序应为 %1").arg(finding.expected);
    case TagFindingKind::angle_unlike_others:
    case TagFindingKind::side_unlike_others:
        return where + QStringLiteral("：与其他标签不同，其他多为 %1").arg(finding.expected);
    }
    return where;
}

QString tag_finding_summary(const QVector<TagFinding> &findings)
{
    std::array<int, kTagFindingKinds> counts{};
    for (const TagFinding &finding : findings)
        ++counts[int(finding.kind)];
    QStringList lines;
    for (int kind = 0; kind < kTagFindingKinds; ++kind)
        if (counts[kind] > 0)
            lines << QStringLiteral("%1：%2 处")
                         .arg(kind_name(TagFindingKind(kind)))
                         .arg(counts[kind]);
    return lines.join(QLatin1Char('\n'));
}

QString tag_finding_details(const QVector<TagFinding> &findings, int max_lines)
{
    QStringList lines;
    const int shown = std::min(int(findings.size()), max_lines);
    lines.reserve(shown + 1);
    for (int i = 0; i < shown; ++i)
        lines << tag_finding_line(findings.at(i));
    if (findings.size() > shown)
        lines << QStringLiteral("…另有 %1 处").arg(findings.size() - shown);
    return lines.join(QLatin1Char('\n'));
}
