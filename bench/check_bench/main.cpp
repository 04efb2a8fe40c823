// Times the pre-transfer check of the tag table over 20000 rows, each of them
// a finding (or several), and over a clean 20000-row map; then the texts the
// warning box shows. Prints medians of several runs.
//   check_bench [RUNS]
#include "runtiming.h"
#include "tags/tagcheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

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

QVector<TagRowTexts> clean(int count)
{
    QVector<TagRowTexts> rows(count);
    for (int row = 0; row < count; ++row)
        rows[row] = {QString::number(row % 19999 + 1), QString::number((row % 200) * 50),
                     QString::number((row / 200) * 50), QStringLiteral("150"),
                     QString::number(row % 360)};
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const QVector<TagRowTexts> bad = all_findings(20000);
    const QVector<TagRowTexts> good = clean(20000);

    QVector<TagFinding> findings;
    const double bad_ms = time_runs(runs, [&] { findings = check_tag_rows(bad, 0); }).median_ms;
    const double good_ms = time_runs(runs, [&] { check_tag_rows(good, 0); }).median_ms;
    QString details;
    const double text_ms = time_runs(runs, [&] {
                               details =
                                   tag_finding_summary(findings) + tag_finding_details(findings);
                           }).median_ms;
    std::printf("check, 20000 rows all findings (%d findings): %.1f ms\n", int(findings.size()),
                bad_ms);
    std::printf("check, 20000 clean rows: %.1f ms\n", good_ms);
    std::printf("summary and details (2000 lines): %.1f ms, %d chars\n", text_ms,
                int(details.size()));
    return 0;
}
