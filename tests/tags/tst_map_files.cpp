#include "tags/mapdxf.h"
#include "tags/mapfile.h"
#include "tags/mapwriter.h"
#include "tags/tagtable.h"
#include "workbookfiles.h"

#include "tagrows.h"
#include <QTemporaryDir>

#include <QTest>

namespace
{

QVector<QStringList> cells_of(const QVector<TagRowTexts> &rows)
{
    QVector<QStringList> cells;
    for (const TagRowTexts &texts : rows)
        cells << QStringList(texts.begin(), texts.end());
    return cells;
}

// A drawing of one insert in the model space, the group pairs as given.
QByteArray drawing(const QByteArray &header, const QByteArray &entities)
{
    return "0\nSECTION\n2\nHEADER\n" + header + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities +
           "0\nENDSEC\n0\nEOF\n";
}

QByteArray tag_insert(const QByteArray &x, const QByteArray &id)
{
    return "0\nINSERT\n8\nTAGS\n2\nT\n10\n" + x +
           "\n20\n5\n66\n1\n0\nATTRIB\n8\nT\n10\n0\n20\n0\n40\n1\n1\n" + id +
           "\n2\nID\n0\nSEQEND\n";
}

} // namespace

class MapFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void mapsReadBackAsTheyWereWritten_data();
    void mapsReadBackAsTheyWereWritten();
    void drawingsThatCannotBeReadAreRefusedWithTheirReason_data();
    void drawingsThatCannotBeReadAreRefusedWithTheirReason();
};

void MapFilesTest::mapsReadBackAsTheyWereWritten_data()
{
    QTest::addColumn<QString>("file"); // a fixture, or a name to write `rows` to first
    QTest::addColumn<QVector<QStringList>>("rows");
    QTest::addColumn<QVector<QStringList>>("expected");

    QTest::newRow("ezdxf, mm: walls, a door and a tag without id passed over")
        << fixture_path("dxf_tags_mm.dxf") << QVector<QStringList>{}
        << QVector<QStringList>{{"101", "100", "100", "50", "0"},
                                {"102", "150", "100", "50", "90"},
                                {"103", "200", "100", "60", "-45"},
                                {"104", "250", "100", "", "0"}};
    const QVector<QStringList> table = {{"5", "-120", "45", "150", "-90"},
                                        {"19999", "65535", "-65535", "0", "359"},
                                        {"7", "0", "0", "999", "0"}};
    QTest::newRow("our drawing") << QStringLiteral("map.dxf") << table << table;
    QVector<QStringList> titled = table;
    titled.prepend({"二维码id", "x坐标(cm)", "", "", "12.5"});
    QTest::newRow("our workbook, titles and all") << QStringLiteral("map.xlsx") << titled << titled;
    QTest::newRow("our text") << QStringLiteral("map.txt") << titled << titled;
}

void MapFilesTest::mapsReadBackAsTheyWereWritten()
{
    QFETCH(QString, file);
    QFETCH(QVector<QStringList>, rows);
    QFETCH(QVector<QStringList>, expected);
    QTemporaryDir dir;
    QString path = file;
    if (!rows.isEmpty()) {
        path = dir.filePath(file);
        QString error;
        QVERIFY2(write_map_file(path, rows_of(rows), &error), qPrintable(error));
    }
    const MapRows map = read_map_rows(path, int(expected.size()));
    QVERIFY2(map.ok, qPrintable(map.failure));
    QCOMPARE(cells_of(map.rows), expected);
}

void MapFilesTest::drawingsThatCannotBeReadAreRefusedWithTheirReason_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // part of the refusal; empty: units unstated

    const QByteArray cm = "9\n$INSUNITS\n70\n5\n";
    QTest::newRow("no units") << drawing({}, tag_insert("1", "3")) << QString();
    QTest::newRow("feet") << drawing("9\n$INSUNITS\n70\n2\n", tag_insert("1", "3"))
                          << QStringLiteral("none of mm, cm, m and inch");
    QTest::newRow("binary") << QByteArray("AutoCAD Binary DXF\r\n\x1a\0", 22)
                            << QStringLiteral("binary");
    QTest::newRow("an id of 5000 characters")
        << drawing(cm, tag_insert("1", QByteArray(5000, '7'))) << QStringLiteral("longer than");
    QTest::newRow("a group code of letters")
        << drawing(cm, "0\nINSERT\nxx\n1\n") << QStringLiteral("is no number");
    QTest::newRow("x beyond any floor")
        << drawing(cm, tag_insert("1e300", "3")) << QStringLiteral("beyond any floor");
    QByteArray many;
    for (int k = 0; k <= kMaxDxfInserts; ++k)
        many += tag_insert("1", QByteArray::number(k));
    QTest::newRow("20001 tags") << drawing(cm, many) << QStringLiteral("more than 20000");
}

void MapFilesTest::drawingsThatCannotBeReadAreRefusedWithTheirReason()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const DxfMapRows map = map_rows_from_dxf(read_dxf_bytes(bytes), std::nullopt);
    QCOMPARE(map.status,
             reason.isEmpty() ? DxfMapRows::Status::units_unstated : DxfMapRows::Status::refused);
    QVERIFY2(map.refusal.contains(reason), qPrintable(map.refusal));
}

QTEST_APPLESS_MAIN(MapFilesTest)
#include "tst_map_files.moc"
