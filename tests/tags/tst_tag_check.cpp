#include "tags/tagcheck.h"

#include <QTest>

namespace
{

QVector<TagRowTexts> rows_of(const QVector<QStringList> &cells)
{
    QVector<TagRowTexts> rows;
    for (const QStringList &row : cells) {
        TagRowTexts texts;
        for (int column = 0; column < row.size(); ++column)
            texts[column] = row.at(column);
        rows.append(texts);
    }
    return rows;
}

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

} // namespace

class TagCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void findsWhatTheConversionDoesToTheTable_data();
    void findsWhatTheConversionDoesToTheTable();
    void linesNameRowColumnAndWhatIsSent();
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

QTEST_APPLESS_MAIN(TagCheckTest)
#include "tst_tag_check.moc"
