#include "tags/tagcheck.h"
#include "tags/taggrid.h"

#include "tagrows.h"
#include <QRandomGenerator>

#include <QTest>

namespace
{

// kind/row/column/sent/other row, compact enough to read in a table.
QStringList described(const QVector<TagFinding> &findings)
{
    QStringList out;
    for (const TagFinding &f : findings)
        out << QStringLiteral("%1/%2/%3/%4/%5")
                   .arg(int(f.kind))
                   .arg(f.row)
                   .arg(f.column)
                   .arg(f.sent)
                   .arg(f.kind == TagFindingKind::beyond_limit ? f.count : f.other_row);
    return out;
}

QVector<QStringList> cells_of(const QVector<TagRecord> &tags)
{
    QVector<QStringList> cells;
    for (const TagRecord &t : tags) {
        const TagRowTexts texts = tag_row_of(t);
        cells << QStringList(texts.begin(), texts.end());
    }
    return cells;
}

GridSpec grid(int rows, int columns, GridOrder order, int pitch_x, int pitch_y)
{
    GridSpec spec;
    spec.rows = rows;
    spec.columns = columns;
    spec.order = order;
    spec.pitch_x_cm = pitch_x;
    spec.pitch_y_cm = pitch_y;
    return spec;
}

// kind/row/expected/other row of the plausibility kinds alone.
QStringList plausibility(const QVector<TagFinding> &findings)
{
    QStringList out;
    for (const TagFinding &f : findings)
        if (f.kind >= TagFindingKind::off_grid)
            out << QStringLiteral("%1/%2/%3/%4")
                       .arg(tag_finding_kind_name(f.kind))
                       .arg(f.row)
                       .arg(f.expected)
                       .arg(f.other_row);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(GridSpec)

class TagCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void findsWhatTheConversionDoesToTheTable_data();
    void findsWhatTheConversionDoesToTheTable();
    void linesNameRowColumnAndWhatIsSent();
    void gridsAreNumberedInTheirOrderWithinWhatTheCameraTakes_data();
    void gridsAreNumberedInTheirOrderWithinWhatTheCameraTakes();
    void typosOnAGridFloorAreNamedAndNothingElse_data();
    void typosOnAGridFloorAreNamedAndNothingElse();
};

void TagCheckTest::findsWhatTheConversionDoesToTheTable_data()
{
    QTest::addColumn<QVector<QStringList>>("cells");
    QTest::addColumn<int>("beyond");
    QTest::addColumn<QStringList>("expected");

    // Kinds: 0 not a whole number, 1 folded, 2 duplicate, 3 same place, 4 beyond.
    QTest::newRow("clean map, empty rows and blanks")
        << QVector<QStringList>{{"1", "65535", "-65535", "999", "359"},
                                {},
                                {"2", "-65535", " 7 ", "0", "-359"},
                                {"19999", "", "", "", ""}}
        << 0 << QStringList{};
    QTest::newRow("12.5 in x is sent as 0")
        << QVector<QStringList>{{"1", "12.5"}} << 0 << QStringList{"0/1/1/0/0"};
    QTest::newRow("12.0, 1e3 and letters")
        << QVector<QStringList>{{"1", "", "12.0", "1e3", "abc"}} << 0
        << QStringList{"0/1/2/0/0", "0/1/3/0/0", "0/1/4/0/0"};
    QTest::newRow("id 12.5 skips the whole row")
        << QVector<QStringList>{{"12.5", "70000", "", "", ""}} << 0 << QStringList{"0/1/0//0"};
    QTest::newRow("65536 and -65536 fold, 65535 stays")
        << QVector<QStringList>{{"1", "65536", "-65536"}, {"2", "65535", "1"}} << 0
        << QStringList{"1/1/1/0/0", "1/1/2/0/0"};
    QTest::newRow("70000 folds into 4464")
        << QVector<QStringList>{{"1", "70000"}} << 0 << QStringList{"1/1/1/4464/0"};
    QTest::newRow("angle -360 folds, -359 stays")
        << QVector<QStringList>{{"1", "", "", "", "-359"}, {"2", "1", "", "", "-360"}} << 0
        << QStringList{"1/2/4/0/0"};
    QTest::newRow("angle 400 folds into 40")
        << QVector<QStringList>{{"1", "", "", "", "400"}} << 0 << QStringList{"1/1/4/40/0"};
    QTest::newRow("side 1000 and -5 fold, 999 stays")
        << QVector<QStringList>{{"1", "", "", "999"}, {"2", "1", "", "1000"}, {"3", "2", "", "-5"}}
        << 0 << QStringList{"1/2/3/0/0", "1/3/3/5/0"};
    QTest::newRow("id 20000 is sent as 1, 19999 stays")
        << QVector<QStringList>{{"19999"}, {"20000", "5"}} << 0 << QStringList{"1/2/0/1/0"};
    QTest::newRow("negative id folds, and its magnitude duplicates")
        << QVector<QStringList>{{"7", "1"}, {"-7", "2"}} << 0
        << QStringList{"1/2/0/7/0", "2/2/0/7/1"};
    QTest::newRow("three rows of one id name the first")
        << QVector<QStringList>{{"5", "1"}, {"6", "2"}, {"5", "3"}, {"5", "4"}} << 0
        << QStringList{"2/3/0/5/1", "2/4/0/5/1"};
    QTest::newRow("id 25000 duplicates tag 1") << QVector<QStringList>{{"1", "1"}, {"25000", "2"}}
                                               << 0 << QStringList{"1/2/0/1/0", "2/2/0/1/1"};
    QTest::newRow("two ids at one place; the same id twice is only a duplicate")
        << QVector<QStringList>{{"1", "10", "20"}, {"2", "10", "20"}, {"1", "10", "20"}} << 0
        << QStringList{"2/3/0/1/1", "3/2/1/10,20/1"};
    QTest::newRow("folded x meets another tag's place")
        << QVector<QStringList>{{"1", "4464"}, {"2", "70000"}} << 0
        << QStringList{"1/2/1/4464/0", "3/2/1/4464,0/1"};
    QTest::newRow("tags beyond the limit")
        << QVector<QStringList>{{"1"}, {"2", "1"}} << 800 << QStringList{"4/3/0//800"};
    QTest::newRow("column titles in the first row are no finding, elsewhere they are")
        << QVector<QStringList>{{"二维码id", "x", "y", "side", "angle"},
                                {"二维码id", "x", "y", "side", "angle"}}
        << 0 << QStringList{"0/2/0//0"};
    QTest::newRow("a first row with one title missing is reported")
        << QVector<QStringList>{{"id", "x", "", "side", "angle"}} << 0 << QStringList{"0/1/0//0"};
    QTest::newRow("limit 0: only the rows beyond")
        << QVector<QStringList>{} << 3 << QStringList{"4/1/0//3"};
}

void TagCheckTest::findsWhatTheConversionDoesToTheTable()
{
    QFETCH(QVector<QStringList>, cells);
    QFETCH(int, beyond);
    QFETCH(QStringList, expected);
    QCOMPARE(described(check_tag_rows(rows_of(cells), beyond)), expected);
}

void TagCheckTest::linesNameRowColumnAndWhatIsSent()
{
    const QString long_text = QStringLiteral("很长的文字\n") + QString(500, QLatin1Char('x'));
    const QVector<TagFinding> findings =
        check_tag_rows(rows_of({{"1", "70000"}, {"2", long_text}}), 800);
    QCOMPARE(tag_finding_line(findings.at(1)),
             QStringLiteral("第 1 行 x坐标(cm) “70000”：超出范围，相机收到 4464"));
    const QString shortened = tag_finding_line(findings.at(0));
    QVERIFY2(shortened.size() < 60 && !shortened.contains(QLatin1Char('\n')),
             qPrintable(shortened));
    QCOMPARE(tag_finding_line(findings.at(2)),
             QStringLiteral("表中第 3 行起还有 800 个标签不在传输范围内"));
    QCOMPARE(tag_finding_summary(findings),
             QStringLiteral("不是整数：1 处\n超出范围被折算：1 处\n超出传输数量：1 处"));
    const QString capped = tag_finding_details(findings, 2);
    QCOMPARE(capped.split(QLatin1Char('\n')).size(), 3);
    QVERIFY(capped.endsWith(QStringLiteral("…另有 1 处")));
}

void TagCheckTest::gridsAreNumberedInTheirOrderWithinWhatTheCameraTakes_data()
{
    QTest::addColumn<GridSpec>("spec");
    QTest::addColumn<QString>("problem");   // the field at fault, as an int; empty when none
    QTest::addColumn<QStringList>("first"); // "id x y" of the first tags

    GridSpec serpentine = grid(2, 3, GridOrder::serpentine_rows, -50, 40);
    serpentine.origin_x_cm = 100;
    serpentine.first_id = 12;
    serpentine.id_step = -2;
    QTest::newRow("serpentine rows towards -x, ids down")
        << serpentine << QString()
        << QStringList{"12 100 0", "10 50 0", "8 0 0", "6 0 40", "4 50 40"};
    QTest::newRow("columns") << grid(2, 2, GridOrder::columns, 50, 50) << QString()
                             << QStringList{"1 0 0", "2 0 50", "3 50 0", "4 50 50"};
    QTest::newRow("serpentine columns towards -y")
        << grid(2, 2, GridOrder::serpentine_columns, 50, -30) << QString()
        << QStringList{"1 0 0", "2 0 -30", "3 50 -30", "4 50 0"};
    QTest::newRow("141 x 142 is more than the table holds")
        << grid(141, 142, GridOrder::rows, 50, 50) << QString::number(int(GridField::columns))
        << QStringList{};
    GridSpec ids = grid(100, 200, GridOrder::rows, 50, 50);
    QTest::newRow("20000 tags from id 1 reach 20000")
        << ids << QString::number(int(GridField::id_step)) << QStringList{};
    GridSpec far = grid(2, 2, GridOrder::rows, 50, 50);
    far.origin_y_cm = 65500;
    QTest::newRow("y past 65535") << far << QString::number(int(GridField::pitch_y))
                                  << QStringList{};
    GridSpec angle = grid(1, 1, GridOrder::rows, 50, 50);
    angle.angle_deg = 360;
    QTest::newRow("angle 360") << angle << QString::number(int(GridField::angle)) << QStringList{};
}

void TagCheckTest::gridsAreNumberedInTheirOrderWithinWhatTheCameraTakes()
{
    QFETCH(GridSpec, spec);
    QFETCH(QString, problem);
    QFETCH(QStringList, first);
    const std::optional<GridProblem> found = grid_problem(spec);
    QCOMPARE(found ? QString::number(int(found->field)) : QString(), problem);
    if (found)
        return;
    const QVector<TagRecord> tags = grid_tags(spec);
    QCOMPARE(tags.size(), spec.rows * spec.columns);
    QStringList shown;
    for (int k = 0; k < first.size(); ++k)
        shown << QStringLiteral("%1 %2 %3").arg(tags[k].id).arg(tags[k].x_cm).arg(tags[k].y_cm);
    QCOMPARE(shown, first);
}

void TagCheckTest::typosOnAGridFloorAreNamedAndNothingElse_data()
{
    QTest::addColumn<QVector<QStringList>>("cells");
    QTest::addColumn<QStringList>("expected");

    const QVector<QStringList> big = cells_of(grid_tags(grid(100, 100, GridOrder::rows, 50, 50)));
    QVector<QStringList> digit = big;
    digit[1234][1] = QStringLiteral("1070"); // 1700
    QTest::newRow("x with two digits swapped") << digit << QStringList{"off_grid/1235/1050, 600/0"};
    QVector<QStringList> swapped = big;
    std::swap(swapped[4321][0], swapped[4380][0]);
    QTest::newRow("two ids swapped") << swapped << QStringList{"id_out_of_sequence/4322/4322/4381"};
    QVector<QStringList> typed = big;
    typed[50][0] = QStringLiteral("15");
    QTest::newRow("one id mistyped") << typed << QStringList{"id_out_of_sequence/51/51/0"};
    QVector<QStringList> turned = big;
    turned[5555][4] = QStringLiteral("90");
    turned[5556][4] = QStringLiteral("-360"); // folds to 0, one angle with the others
    QTest::newRow("a tag turned by 90 degrees")
        << turned << QStringList{"angle_unlike_others/5556/0/0"};
    QVector<QStringList> side = big;
    side[7777][3] = QStringLiteral("60");
    QTest::newRow("one side different") << side << QStringList{"side_unlike_others/7778/50/0"};

    // Floors that must give nothing: every numbering, both signs of the
    // pitch, a pitch of a third of a metre rounded to whole centimetres.
    QTest::newRow("141 x 141 serpentine columns towards -x and -y")
        << cells_of(grid_tags(grid(141, 141, GridOrder::serpentine_columns, -50, -70)))
        << QStringList{};
    QTest::newRow("10 x 10 serpentine rows")
        << cells_of(grid_tags(grid(10, 10, GridOrder::serpentine_rows, 120, 50))) << QStringList{};
    QVector<QStringList> thirds = cells_of(grid_tags(grid(60, 60, GridOrder::columns, 1, 1)));
    for (QStringList &row : thirds) {
        row[1] = QString::number(qRound(row[1].toInt() * 100 / 3.0));
        row[2] = QString::number(qRound(row[2].toInt() * 100 / 3.0));
    }
    QTest::newRow("60 x 60 at 33.3 cm") << thirds << QStringList{};
    QVector<QStringList> random;
    QRandomGenerator generator(7);
    for (int k = 1; k <= 2000; ++k)
        random << QStringList{QString::number(k), QString::number(generator.bounded(5000)),
                              QString::number(generator.bounded(5000)), "50", k % 50 ? "0" : "90"};
    QTest::newRow("2000 tags at random places") << random << QStringList{};
    QVector<QStringList> line = cells_of(grid_tags(grid(1, 30, GridOrder::rows, 40, 40)));
    line[12][2] = QStringLiteral("17");
    QTest::newRow("one line of tags, one off it") << line << QStringList{"off_grid/13/480, 0/0"};
    QVector<QStringList> past = cells_of(grid_tags(grid(3, 3, GridOrder::rows, 50, 50)));
    for (QStringList &row : past)
        row[0] = QString::number(row[0].toInt() + 19991); // the last, 20000, is sent as 1
    QTest::newRow("numbering past the last id the camera takes") << past << QStringList{};
}

void TagCheckTest::typosOnAGridFloorAreNamedAndNothingElse()
{
    QFETCH(QVector<QStringList>, cells);
    QFETCH(QStringList, expected);
    QCOMPARE(plausibility(check_tag_rows(rows_of(cells), 0)), expected);
}

QTEST_APPLESS_MAIN(TagCheckTest)
#include "tst_tag_check.moc"
