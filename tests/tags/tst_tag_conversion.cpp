#include "tags/tagconversion.h"

#include <QTest>

Q_DECLARE_METATYPE(TagRecord)

class TagConversionTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsWithATagConvertByTheTableRules_data();
    void rowsWithATagConvertByTheTableRules();
    void rowsWhoseIdReadsZeroHoldNoTag_data();
    void rowsWhoseIdReadsZeroHoldNoTag();
};

void TagConversionTest::rowsWithATagConvertByTheTableRules_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<TagRecord>("expected");

    auto tag = [](int id, int x, int y, int side, int angle) {
        return TagRecord{id, x, y, side, angle};
    };
    QTest::newRow("plain") << QStringList{"300", "-120", "45", "150", "-90"}
                           << tag(300, -120, 45, 150, -90);
    QTest::newRow("negative id gives its magnitude")
        << QStringList{"-25", "", "", "", ""} << tag(25, 0, 0, 0, 0);
    QTest::newRow("id just below 20000 stays")
        << QStringList{"19999", "", "", "", ""} << tag(19999, 0, 0, 0, 0);
    QTest::newRow("id 20000 becomes 1")
        << QStringList{"20000", "", "", "", ""} << tag(1, 0, 0, 0, 0);
    QTest::newRow("id -25000 becomes 1")
        << QStringList{"-25000", "", "", "", ""} << tag(1, 0, 0, 0, 0);
    QTest::newRow("most negative id becomes 1")
        << QStringList{"-2147483648", "", "", "", ""} << tag(1, 0, 0, 0, 0);
    QTest::newRow("x 65536 wraps to 0, y -65537 keeps its sign")
        << QStringList{"1", "65536", "-65537", "", ""} << tag(1, 0, -1, 0, 0);
    QTest::newRow("x 65537 gives 1, y -65535 stays")
        << QStringList{"1", "65537", "-65535", "", ""} << tag(1, 1, -65535, 0, 0);
    QTest::newRow("side -1500 gives 500")
        << QStringList{"1", "", "", "-1500", ""} << tag(1, 0, 0, 500, 0);
    QTest::newRow("side 999 stays, angle 359 stays")
        << QStringList{"1", "", "", "999", "359"} << tag(1, 0, 0, 999, 359);
    QTest::newRow("angle -370 gives -10")
        << QStringList{"1", "", "", "", "-370"} << tag(1, 0, 0, 0, -10);
    QTest::newRow("angle -450 gives -90")
        << QStringList{"1", "", "", "", "-450"} << tag(1, 0, 0, 0, -90);
    QTest::newRow("angle 725 gives 5") << QStringList{"1", "", "", "", "725"} << tag(1, 0, 0, 0, 5);
    QTest::newRow("most negative x wraps to 0")
        << QStringList{"1", "-2147483648", "", "", ""} << tag(1, 0, 0, 0, 0);
    QTest::newRow("non-numeric fields read 0")
        << QStringList{"7", "12.5", "abc", "1e3", "3.0"} << tag(7, 0, 0, 0, 0);
    QTest::newRow("numbers with a sign or surrounding blanks")
        << QStringList{"+8", " 9 ", "-0", "", ""} << tag(8, 9, 0, 0, 0);
}

void TagConversionTest::rowsWithATagConvertByTheTableRules()
{
    QFETCH(QStringList, cells);
    QFETCH(TagRecord, expected);
    const TagRowTexts texts{cells[0], cells[1], cells[2], cells[3], cells[4]};
    const std::optional<TagRecord> record = tag_record_from_texts(texts);
    QVERIFY(record.has_value());
    QCOMPARE(record->id, expected.id);
    QCOMPARE(record->x_cm, expected.x_cm);
    QCOMPARE(record->y_cm, expected.y_cm);
    QCOMPARE(record->side_mm, expected.side_mm);
    QCOMPARE(record->angle_deg, expected.angle_deg);
}

void TagConversionTest::rowsWhoseIdReadsZeroHoldNoTag_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("empty") << QString();
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("3.0") << QStringLiteral("3.0");
    QTest::newRow("1e3") << QStringLiteral("1e3");
    QTest::newRow("imported header") << QStringLiteral("二维码id");
    QTest::newRow("beyond int") << QStringLiteral("4294967296");
}

void TagConversionTest::rowsWhoseIdReadsZeroHoldNoTag()
{
    QFETCH(QString, id);
    const TagRowTexts texts{id, QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"),
                            QStringLiteral("40")};
    QVERIFY(!tag_record_from_texts(texts).has_value());
}

QTEST_GUILESS_MAIN(TagConversionTest)
#include "tst_tag_conversion.moc"
