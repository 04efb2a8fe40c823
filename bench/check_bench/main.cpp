// Times the pre-transfer check of the tag table over 20000 rows, each of them
// a finding (or several), over a clean 20000-row grid and over the same grid
// with one fault of each plausibility kind; then the texts the warning box
// shows. Prints medians of several runs.
//   check_bench [RUNS]
// Counts the plausibility findings on floors that must give none (grids of
// 10x10 to 141x141 in every numbering and every sign of the pitch, random
// floors of 2000 tags, and the map files named), and whether each seeded
// fault of a 100x100 grid is found:
//   check_bench --false-findings [MAP_FILE...]
#include "runtiming.h"
#include "tags/mapfile.h"
#include "tags/tagcheck.h"
#include "tags/taggrid.h"
#include "tags/tagtable.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

namespace
{

// Every row folds its x, repeats an id and shares its place with the next.
QVector<TagRowTexts> all_findings(int count)
{
    QVector<TagRowTexts> rows(count);
    for (int row = 0; row < count; ++row)
        rows[row] = {QString::number(row % 5000 + 1), QString::number(70000 + row / 2),
                     QStringLiteral("12.5"), QStringLiteral("1200"), QStringLiteral("400")};
    return rows;
}

QVector<TagRowTexts> rows_of(const QVector<TagRecord> &tags)
{
    QVector<TagRowTexts> rows;
    rows.reserve(tags.size());
    for (const TagRecord &t : tags)
        rows.append(tag_row_of(t));
    return rows;
}

GridSpec grid(int rows, int columns, GridOrder order, int pitch_x = 50, int pitch_y = 50)
{
    GridSpec spec;
    spec.rows = rows;
    spec.columns = columns;
    spec.order = order;
    spec.pitch_x_cm = pitch_x;
    spec.pitch_y_cm = pitch_y;
    spec.origin_x_cm = pitch_x < 0 ? -pitch_x * (columns - 1) : 0;
    spec.origin_y_cm = pitch_y < 0 ? -pitch_y * (rows - 1) : 0;
    return spec;
}

// One fault of each plausibility kind, as typed into a 100 x 100 grid of
// 50 cm numbered row by row: a digit swapped in an x, two ids swapped, a tag
// turned by 90 degrees, a side of 60 mm among 50.
QVector<TagRowTexts> seeded(const QVector<TagRecord> &clean)
{
    QVector<TagRowTexts> rows = rows_of(clean);
    QString &x = rows[1234][1]; // 1700 typed as 1070
    x = x.left(1) + x.mid(2, 1) + x.mid(1, 1) + x.mid(3);
    std::swap(rows[4321][0], rows[4322][0]);
    rows[5555][4] = QStringLiteral("90");
    rows[7777][3] = QStringLiteral("60");
    return rows;
}

int plausibility_count(const QVector<TagFinding> &findings)
{
    return int(std::count_if(findings.begin(), findings.end(), [](const TagFinding &f) {
        return f.kind >= TagFindingKind::off_grid;
    }));
}

QVector<TagRowTexts> random_floor(quint32 seed, int count)
{
    QRandomGenerator random(seed);
    QVector<TagRowTexts> rows;
    for (int k = 0; k < count; ++k)
        rows.append({QString::number(k + 1), QString::number(random.bounded(5000)),
                     QString::number(random.bounded(5000)), QStringLiteral("50"),
                     QStringLiteral("0")});
    return rows;
}

int false_findings(const QStringList &files)
{
    const GridOrder orders[] = {GridOrder::rows, GridOrder::columns, GridOrder::serpentine_rows,
                                GridOrder::serpentine_columns};
    int grids = 0, grid_findings = 0;
    for (int size = 10; size <= 141; ++size)
        for (GridOrder order : orders)
            for (int sign = 0; sign < 4; ++sign) {
                const GridSpec spec =
                    grid(size, size, order, sign & 1 ? -50 : 50, sign & 2 ? -60 : 60);
                const int found = plausibility_count(check_tag_rows(rows_of(grid_tags(spec)), 0));
                ++grids;
                grid_findings += found;
                if (found > 0)
                    std::printf("  %dx%d %s pitch %d,%d: %d\n", size, size,
                                qPrintable(grid_order_name(order)), spec.pitch_x_cm,
                                spec.pitch_y_cm, found);
            }
    std::printf("generated grids 10x10..141x141, 4 orders, 4 pitch signs: %d grids, %d "
                "plausibility findings\n",
                grids, grid_findings);
    int random_findings = 0;
    for (quint32 seed = 1; seed <= 20; ++seed)
        random_findings += plausibility_count(check_tag_rows(random_floor(seed, 2000), 0));
    std::printf("random floors, 2000 tags over 50 x 50 m, 20 seeds: %d plausibility findings\n",
                random_findings);
    for (const QString &file : files) {
        const MapRows map = read_map_rows(file, TAG_TABLE_ROWS);
        if (!map.ok) {
            std::printf("%s: not read (%s)\n", qPrintable(file), qPrintable(map.failure));
            continue;
        }
        const QVector<TagFinding> findings = check_tag_rows(map.rows, 0);
        std::printf("%s: %d plausibility findings, %d findings in all\n", qPrintable(file),
                    plausibility_count(findings), int(findings.size()));
        for (const TagFinding &f : findings)
            if (f.kind >= TagFindingKind::off_grid)
                std::printf("  %s\n", qPrintable(tag_finding_line(f)));
    }
    const QVector<TagFinding> seeded_findings =
        check_tag_rows(seeded(grid_tags(grid(100, 100, GridOrder::rows))), 0);
    std::printf("seeded faults in a 100x100 grid:\n");
    for (const TagFinding &f : seeded_findings)
        std::printf("  %s: %s\n", qPrintable(tag_finding_kind_name(f.kind)),
                    qPrintable(tag_finding_line(f)));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--false-findings") {
        QStringList files;
        for (int k = 2; k < argc; ++k)
            files << QString::fromLocal8Bit(argv[k]);
        return false_findings(files);
    }
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const QVector<TagRowTexts> bad = all_findings(20000);
    const QVector<TagRecord> clean_grid = grid_tags(grid(100, 200, GridOrder::rows));
    const QVector<TagRowTexts> good = rows_of(clean_grid);
    const QVector<TagRowTexts> faults = seeded(clean_grid);

    QVector<TagFinding> findings;
    const double bad_ms = time_runs(runs, [&] { findings = check_tag_rows(bad, 0); }).median_ms;
    const double good_ms = time_runs(runs, [&] { check_tag_rows(good, 0); }).median_ms;
    QVector<TagFinding> seeded_findings;
    const double seeded_ms =
        time_runs(runs, [&] { seeded_findings = check_tag_rows(faults, 0); }).median_ms;
    QString details;
    const double text_ms = time_runs(runs, [&] {
                               details =
                                   tag_finding_summary(findings) + tag_finding_details(findings);
                           }).median_ms;
    std::printf("check, 20000 rows all findings (%d findings): %.1f ms\n", int(findings.size()),
                bad_ms);
    std::printf("check, 20000-tag grid, clean: %.1f ms\n", good_ms);
    std::printf("check, 20000-tag grid, one fault of each plausibility kind (%d findings): "
                "%.1f ms\n",
                int(seeded_findings.size()), seeded_ms);
    std::printf("summary and details (2000 lines): %.1f ms, %d chars\n", text_ms,
                int(details.size()));
    return 0;
}
