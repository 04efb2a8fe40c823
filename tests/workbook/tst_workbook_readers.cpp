#include "workbook/textcodec.h"
#include "workbook/workbookreader.h"
#include "workbookfiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using Grid = QVector<QStringList>;
Q_DECLARE_METATYPE(Grid)
Q_DECLARE_METATYPE(RefusalKind)

namespace
{

const QString kAbsent = QStringLiteral("<absent>");

// The sheet's cells in rows 0..rows-1 and columns 0..columns-1, kAbsent
// where there is none.
Grid grid_of(const SheetCells &cells, int rows, int columns)
{
    Grid grid;
    for (int row = 0; row < rows; ++row) {
        QStringList line;
        for (int column = 0; column < columns; ++column) {
            const SheetCell *cell = cells.find(row, column);
            line << (cell ? cell->text : kAbsent);
        }
        grid << line;
    }
    return grid;
}

QByteArray repeated_value_cells(const QByteArray &attribute, const QByteArray &count)
{
    return "<table:table-row " +
           (attribute == "rows" ? "table:number-rows-repeated=\"" + count + "\"" : QByteArray()) +
           "><table:table-cell " +
           (attribute == "columns" ? "table:number-columns-repeated=\"" + count + "\" "
                                   : QByteArray()) +
           "office:value-type=\"float\" office:value=\"1\"><text:p>1</text:p></table:table-cell>"
           "</table:table-row>";
}

// A refusal of the expected kind whose reason names the cause.
void verify_refused(const WorkbookRead &read, RefusalKind kind, const QString &cause)
{
    QVERIFY(!read);
    QCOMPARE(QString::fromLatin1(refusal_kind_name(read.refusal().kind)),
             QString::fromLatin1(refusal_kind_name(kind)));
    QVERIFY2(read.refusal().reason.contains(cause), qPrintable(read.refusal().reason));
}

int find_or_fail(const QByteArray &bytes, const QByteArray &pattern)
{
    const int at = bytes.indexOf(pattern);
    if (at < 0 || bytes.indexOf(pattern, at + 1) >= 0)
        qFatal("pattern not found exactly once");
    return at;
}

// BIFF8 records of a sheet: DIMENSIONS (one past the last row and column),
// NUMBER and LABEL cells.
QByteArray dimensions(quint32 rows, quint16 columns)
{
    QByteArray body(14, 0);
    qToLittleEndian<quint32>(rows, body.data() + 4);
    qToLittleEndian<quint16>(columns, body.data() + 10);
    return biff_record(0x0200, body);
}

QByteArray number(quint16 row, quint16 column, double value)
{
    QByteArray body(14, 0);
    qToLittleEndian<quint16>(row, body.data());
    qToLittleEndian<quint16>(column, body.data() + 2);
    qToLittleEndian<double>(value, body.data() + 6);
    return biff_record(0x0203, body);
}

QByteArray label(quint16 row, quint16 column, const QByteArray &latin1)
{
    QByteArray body(9, 0);
    qToLittleEndian<quint16>(row, body.data());
    qToLittleEndian<quint16>(column, body.data() + 2);
    qToLittleEndian<quint16>(quint16(latin1.size()), body.data() + 6);
    return biff_record(0x0204, body + latin1);
}

// A LABELSST cell naming shared string `index`, and a shared-string table
// declaring `declared` strings, its body going on into a CONTINUE record at
// each of `pieces` after the first.
QByteArray label_sst(quint16 row, quint16 column, quint32 index)
{
    QByteArray body(10, 0);
    qToLittleEndian<quint16>(row, body.data());
    qToLittleEndian<quint16>(column, body.data() + 2);
    qToLittleEndian<quint32>(index, body.data() + 6);
    return biff_record(0x00FD, body);
}

QByteArray shared_strings(quint32 declared, const QVector<QByteArray> &pieces)
{
    QByteArray counts(8, 0);
    qToLittleEndian<quint32>(declared, counts.data());
    qToLittleEndian<quint32>(declared, counts.data() + 4);
    QByteArray records = biff_record(0x00FC, counts + pieces.value(0));
    for (int k = 1; k < pieces.size(); ++k)
        records += biff_record(0x003C, pieces.at(k));
    return records;
}

} // namespace

class WorkbookReadersTest : public QObject
{
    Q_OBJECT

private slots:
    void mixedCellsReadAsTheirRawValuesShow_data();
    void mixedCellsReadAsTheirRawValuesShow();
    void usedRangeStartsAtTheFirstCellPresent_data();
    void usedRangeStartsAtTheFirstCellPresent();
    void onlyTheFirstSheetIsRead_data();
    void onlyTheFirstSheetIsRead();
    void everyRowOfALongSheetIsRead_data();
    void everyRowOfALongSheetIsRead();
    void textIsSplitOnTabsElseOnCommas_data();
    void textIsSplitOnTabsElseOnCommas();
    void damagedOrUnknownFilesAreRefused_data();
    void damagedOrUnknownFilesAreRefused();
    void hostileFilesAreRefusedWithoutExpandingThem_data();
    void hostileFilesAreRefusedWithoutExpandingThem();
    void xlsBuiltHereIsRead();
    void xlsRecordsThatDoNotAddUpAreReadAsTheCellsSay_data();
    void xlsRecordsThatDoNotAddUpAreReadAsTheCellsSay();
    void filesOtherWritersMakeReadAsStored_data();
    void filesOtherWritersMakeReadAsStored();
    void declaredSizesAreIgnoredForWhatIsActuallyThere_data();
    void declaredSizesAreIgnoredForWhatIsActuallyThere();
    void missingFileIsRefused();
    void oversizedFileIsRefusedUnread();
    void storedNumbersShowAsTheirDoubleShows_data();
    void storedNumbersShowAsTheirDoubleShows();
    void numbersShowAlikeInEveryFormat_data();
    void numbersShowAlikeInEveryFormat();
    void utf8TextIsDecodedOnlyWhenWhollyValid_data();
    void utf8TextIsDecodedOnlyWhenWhollyValid();
};

void WorkbookReadersTest::mixedCellsReadAsTheirRawValuesShow_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("string_formula");
    QTest::newRow("xlsx") << "tags_mixed.xlsx"
                          << "abcd";
    QTest::newRow("ods") << "tags_mixed.ods"
                         << "abcd";
    // LibreOffice stores no text result for a text formula in BIFF: the
    // cached value in the file is the number 0.
    QTest::newRow("xls") << "tags_mixed.xls"
                         << "0";
}

void WorkbookReadersTest::mixedCellsReadAsTheirRawValuesShow()
{
    QFETCH(QString, file);
    QFETCH(QString, string_formula);
    const WorkbookRead cells = read_workbook_file(fixture_path(file));
    QVERIFY(cells);
    const QString _ = kAbsent;
    const Grid expected{
        {"12", "12.5", "-7", "1.234e-06", "text", "99", "extra"},
        {"中文标签", _, "true", "false", "-14", _, _},
        {"42", "-123456.75", "45306", _, string_formula, _, _},
        {"1234567890123", "-0.5", " 7 ", "false", "3", _, "G4"},
        {_, _, _, _, _, _, _},
    };
    const Grid actual = grid_of(*cells, 5, 7);
    for (int row = 0; row < expected.size(); ++row)
        QCOMPARE(actual.at(row), expected.at(row));
    const UsedRange range = cells->used_range();
    QCOMPARE(range.first_row, 1);
    QCOMPARE(range.first_column, 1);
    QCOMPARE(range.row_count, 4);
    QCOMPARE(range.column_count, 7);
}

void WorkbookReadersTest::usedRangeStartsAtTheFirstCellPresent_data()
{
    QTest::addColumn<QString>("file");
    for (const char *format : {"xlsx", "xls", "ods"})
        QTest::newRow(format) << QStringLiteral("tags_block_c5.") + format;
}

void WorkbookReadersTest::usedRangeStartsAtTheFirstCellPresent()
{
    QFETCH(QString, file);
    const WorkbookRead cells = read_workbook_file(fixture_path(file));
    QVERIFY(cells);
    const UsedRange range = cells->used_range();
    QCOMPARE(range.first_row, 5);
    QCOMPARE(range.first_column, 3);
    QCOMPARE(range.row_count, 3);
    QCOMPARE(range.column_count, 5);
    QCOMPARE(cells->size(), 15);
    QCOMPARE(cells->find(4, 2)->text, QStringLiteral("301"));
    QCOMPARE(cells->find(6, 3)->text, QStringLiteral("65535"));
    QCOMPARE(cells->find(6, 6)->text, QStringLiteral("359"));
}

void WorkbookReadersTest::onlyTheFirstSheetIsRead_data()
{
    QTest::addColumn<QString>("file");
    for (const char *format : {"xlsx", "xls", "ods"})
        QTest::newRow(format) << QStringLiteral("tags_second_sheet.") + format;
}

void WorkbookReadersTest::onlyTheFirstSheetIsRead()
{
    QFETCH(QString, file);
    const WorkbookRead cells = read_workbook_file(fixture_path(file));
    QVERIFY(cells);
    QCOMPARE(cells->size(), 0);
    const UsedRange range = cells->used_range();
    QCOMPARE(range.first_row, 1);
    QCOMPARE(range.first_column, 1);
    QCOMPARE(range.row_count, 1);
    QCOMPARE(range.column_count, 1);
}

void WorkbookReadersTest::everyRowOfALongSheetIsRead_data()
{
    QTest::addColumn<QString>("file");
    for (const char *format : {"xlsx", "xls", "ods"})
        QTest::newRow(format) << QStringLiteral("tags_header_250.") + format;
}

void WorkbookReadersTest::everyRowOfALongSheetIsRead()
{
    QFETCH(QString, file);
    const WorkbookRead cells = read_workbook_file(fixture_path(file));
    QVERIFY(cells);
    QCOMPARE(cells->size(), 251 * 5);
    QCOMPARE(grid_of(*cells, 1, 5).first(),
             QStringList({"二维码id", "x坐标(cm)", "y坐标(cm)", "边长(mm)", "角度(°)"}));
    // Row i holds i, 10i - 1000, -3i, 150 + i % 50, 7i % 360 - 180.
    for (int i : {1, 137, 250}) {
        const QStringList expected{QString::number(i), QString::number(i * 10 - 1000),
                                   QString::number(-i * 3), QString::number(150 + i % 50),
                                   QString::number(i * 7 % 360 - 180)};
        QCOMPARE(grid_of(*cells, i + 1, 5).last(), expected);
    }
}

void WorkbookReadersTest::textIsSplitOnTabsElseOnCommas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Grid>("expected");
    QTest::addColumn<int>("columns");

    const QString _ = kAbsent;
    QTest::newRow("the export's own lines")
        << QByteArray("1\t2\t3\t4\t5\t\n\t\t\t\t\t")
        << Grid{{"1", "2", "3", "4", "5", ""}, {"", "", "", "", "", ""}} << 6;
    QTest::newRow("CR LF and a final line break")
        << QByteArray("a\tb\r\nc\td\r\n") << Grid{{"a", "b"}, {"c", "d"}, {_, _}} << 2;
    QTest::newRow("commas with quoted fields")
        << QByteArray("1,2,3\n4,\"x,y\",\"say \"\"hi\"\"\"")
        << Grid{{"1", "2", "3"}, {"4", "x,y", "say \"hi\""}} << 3;
    QTest::newRow("a TAB anywhere makes TAB the separator")
        << QByteArray("a,b\tc") << Grid{{"a,b", "c"}} << 2;
    QTest::newRow("byte-order mark and Chinese text")
        << QByteArray("\xEF\xBB\xBF二维码id,5") << Grid{{"二维码id", "5"}} << 2;
    QTest::newRow("empty lines inside keep their place")
        << QByteArray("1\n\n3") << Grid{{"1"}, {""}, {"3"}} << 1;
    QTest::newRow("empty file") << QByteArray() << Grid{{_}} << 1;
}

void WorkbookReadersTest::textIsSplitOnTabsElseOnCommas()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Grid, expected);
    QFETCH(int, columns);
    const WorkbookRead cells = read_workbook_bytes(bytes);
    QVERIFY(cells);
    QCOMPARE(grid_of(*cells, expected.size(), columns), expected);
    QCOMPARE(cells->used_range().first_row, 1);
    QCOMPARE(cells->used_range().first_column, 1);
}

void WorkbookReadersTest::damagedOrUnknownFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<RefusalKind>("kind");
    QTest::addColumn<QString>("cause");

    const QByteArray xlsx = fixture_bytes("tags_header_250.xlsx");
    const QByteArray xls = fixture_bytes("tags_header_250.xls");
    const QByteArray ods = fixture_bytes("tags_header_250.ods");
    QTest::newRow("xlsx cut in half") << xlsx.left(xlsx.size() / 2) << RefusalKind::BrokenArchive
                                      << QStringLiteral("ZIP archive");
    QTest::newRow("xlsx without its central directory")
        << xlsx.chopped(100) << RefusalKind::BrokenArchive << QStringLiteral("ZIP archive");
    QByteArray flipped = xlsx;
    flipped[xlsx.size() / 3] = char(flipped.at(xlsx.size() / 3) ^ 0x55);
    QTest::newRow("xlsx with damaged compressed data")
        << flipped << RefusalKind::BrokenArchive << QStringLiteral("xl/worksheets/sheet1.xml");
    QTest::newRow("ods cut in half")
        << ods.left(ods.size() / 2) << RefusalKind::BrokenArchive << QStringLiteral("ZIP archive");
    QTest::newRow("xls cut in half")
        << xls.left(xls.size() / 2) << RefusalKind::CompoundFile << QStringLiteral("directory");
    QTest::newRow("xls header only")
        << xls.left(512) << RefusalKind::CompoundFile << QStringLiteral("allocation table");
    QTest::newRow("xls encrypted with a password of its own")
        << fixture_bytes("xls_rc4_real_password.xls") << RefusalKind::Biff
        << QStringLiteral("encrypted with a password");
    QTest::newRow("xlsx encrypted with a password of its own")
        << fixture_bytes("xlsx_agile_real_password.xlsx") << RefusalKind::BrokenArchive
        << QStringLiteral("encrypted with a password");
    QTest::newRow("xlsx encrypted package declaring more bytes than it holds")
        << fixture_bytes("xlsx_agile_size_lies.xlsx") << RefusalKind::BrokenArchive
        << QStringLiteral("EncryptedPackage declares 1060585 bytes but holds 12016");
    QTest::newRow("zip of something else")
        << zip_archive({qMakePair(QStringLiteral("notes.txt"), QByteArray("hello"))})
        << RefusalKind::NotAWorkbook << QStringLiteral("ZIP archive");
    QTest::newRow("ods without content")
        << zip_archive({qMakePair(QStringLiteral("mimetype"),
                                  QByteArray("application/vnd.oasis.opendocument.spreadsheet"))})
        << RefusalKind::Malformed << QStringLiteral("content.xml is missing");
    QTest::newRow("xlsx whose sheet is not XML")
        << xlsx_package("<row><c r=\"A1\"><v>1</v></row>") << RefusalKind::Malformed
        << QStringLiteral("xl/worksheets/sheet1.xml, line 1");
    QTest::newRow("binary with NUL bytes") << QByteArray("\x01\x02\x00\x03", 4)
                                           << RefusalKind::NotAWorkbook << QStringLiteral("binary");
    QTest::newRow("text that is not UTF-8")
        << QByteArray("caf\xE9\tcr\xE8me") << RefusalKind::NotAWorkbook << QStringLiteral("UTF-8");
}

void WorkbookReadersTest::damagedOrUnknownFilesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(RefusalKind, kind);
    QFETCH(QString, cause);
    verify_refused(read_workbook_bytes(bytes), kind, cause);
}

void WorkbookReadersTest::hostileFilesAreRefusedWithoutExpandingThem_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<RefusalKind>("kind");
    QTest::addColumn<QString>("cause");

    const QByteArray worksheet_open =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>";
    const QByteArray worksheet_close = "</t></is></c></row></sheetData></worksheet>";
    QTest::newRow("xlsx external entity")
        << xlsx_package("<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY x SYSTEM "
                        "\"file:///etc/hostname\">]>" +
                        worksheet_open + "&x;" + worksheet_close)
        << RefusalKind::DocumentType << QStringLiteral("xl/worksheets/sheet1.xml");
    QTest::newRow("xlsx entity expansion")
        << xlsx_package("<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\">"
                        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>" +
                        worksheet_open + "&c;" + worksheet_close)
        << RefusalKind::DocumentType << QStringLiteral("xl/worksheets/sheet1.xml");
    QTest::newRow("xlsx undeclared entity")
        << xlsx_package("<?xml version=\"1.0\"?>" + worksheet_open + "&x;" + worksheet_close)
        << RefusalKind::Malformed << QStringLiteral("Entity 'x' not declared");
    QTest::newRow("xlsx sheet inflating past the entry limit")
        << xlsx_package("<?xml version=\"1.0\"?><worksheet><sheetData>" +
                        QByteArray(65 * 1024 * 1024, ' ') + "</sheetData></worksheet>")
        << RefusalKind::TooLarge << QStringLiteral("xl/worksheets/sheet1.xml inflates");
    QTest::newRow("xlsx column beyond the largest sheet")
        << xlsx_package("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>")
        << RefusalKind::OutsideSheet << QStringLiteral("XFE1");
    QTest::newRow("xlsx row beyond the largest sheet")
        << xlsx_package("<row r=\"1048577\"><c><v>1</v></c></row>") << RefusalKind::OutsideSheet
        << QStringLiteral("row 1048577");
    QTest::newRow("ods value repeated over a million columns")
        << ods_package(repeated_value_cells("columns", "1000000")) << RefusalKind::OutsideSheet
        << QStringLiteral("16384 columns");
    QTest::newRow("ods value row repeated past the last row")
        << ods_package(repeated_value_cells("rows", "3000000")) << RefusalKind::OutsideSheet
        << QStringLiteral("row 1048577");
    QTest::newRow("ods value cells repeated past the cell limit")
        << ods_package("<table:table-row table:number-rows-repeated=\"600000\"><table:table-cell "
                       "table:number-columns-repeated=\"4\" office:value-type=\"float\" "
                       "office:value=\"1\"/></table:table-row>")
        << RefusalKind::TooManyCells << QStringLiteral("2000000 cells");
    QTest::newRow("ods blank expansion of a billion spaces")
        << ods_package("<table:table-row><table:table-cell office:value-type=\"string\"><text:p>"
                       "<text:s text:c=\"1000000000\"/></text:p></table:table-cell>"
                       "</table:table-row>")
        << RefusalKind::CellTooLong << QStringLiteral("content.xml");

    // BIFF8 DIMENSIONS: type 0x0200, 14 bytes; the body holds the first and
    // past-the-last row (4 bytes each), then the first and past-the-last
    // column (2 bytes each).
    const QByteArray xls = fixture_bytes("tags_header_250.xls");
    const int dimensions = find_or_fail(xls, QByteArray("\x00\x02\x0e\x00\x00\x00\x00\x00", 8));
    QTest::newRow("xls declaring 4 billion rows")
        << with_u32_at(xls, dimensions + 8, 0xFFFFFFFF) << RefusalKind::Biff
        << QStringLiteral("record 0x0200");
    QTest::newRow("xls declaring the largest BIFF8 sheet")
        << with_u32_at(with_u32_at(xls, dimensions + 8, 65536), dimensions + 12, 256u << 16)
        << RefusalKind::Biff << QStringLiteral("record 0x0200");
    // The first sheet's name: one byte of length, claiming 255 characters.
    const int sheet_name = find_or_fail(xls, QByteArray("\x04\x00tags", 6));
    QByteArray long_sheet_name = xls;
    long_sheet_name[sheet_name] = char(0xFF);
    QTest::newRow("xls sheet name running past its record")
        << long_sheet_name << RefusalKind::Biff << QStringLiteral("sheet name");
}

void WorkbookReadersTest::hostileFilesAreRefusedWithoutExpandingThem()
{
    QFETCH(QByteArray, bytes);
    QFETCH(RefusalKind, kind);
    QFETCH(QString, cause);
    verify_refused(read_workbook_bytes(bytes), kind, cause);
}

// The workbooks the next test varies are read as they are.
void WorkbookReadersTest::xlsBuiltHereIsRead()
{
    const WorkbookRead cells = read_workbook_bytes(xls_package(biff8_workbook(
        {{"tags", dimensions(2, 3) + number(0, 0, 12) + label(0, 1, "ab") + number(1, 2, -7)}})));
    QVERIFY(cells);
    const QString _ = kAbsent;
    QCOMPARE(grid_of(*cells, 2, 3), (Grid{{"12", "ab", _}, {_, _, "-7"}}));
}

// DIMENSIONS is a hint and the shared-string count a promise that writers
// break: the cells present are the truth. These files were refused while a
// library read the cells behind those checks.
void WorkbookReadersTest::xlsRecordsThatDoNotAddUpAreReadAsTheCellsSay_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    const QByteArray header_250 = fixture_bytes("tags_header_250.xls");
    const int dims = find_or_fail(header_250, QByteArray("\x00\x02\x0e\x00\x00\x00\x00\x00", 8));
    QTest::newRow("xls whose first column lies past its last")
        << with_u32_at(with_u32_at(header_250, dims + 8, 65536), dims + 12, 256) << 251 * 5 << 250
        << 0 << QStringLiteral("250");
    // Containers the applications open all the same. Header field 0x2C is
    // the number of allocation-table sectors; an entry's name length comes
    // at 0x40; 0x30 is the directory's first sector, 2 here.
    QTest::newRow("xls declaring a huge allocation table")
        << with_u32_at(header_250, 0x2C, 0x00FFFFFF) << 251 * 5 << 250 << 0
        << QStringLiteral("250");
    const int entry = find_or_fail(header_250, QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16));
    QByteArray long_name = header_250;
    long_name[entry + 0x40] = 0x00;
    long_name[entry + 0x41] = 0x18;
    QTest::newRow("xls directory name longer than its field")
        << long_name << 251 * 5 << 250 << 0 << QStringLiteral("250");
    QByteArray renamed_only = xls_package(biff8_workbook({{"tags", number(0, 0, 12)}}));
    renamed_only.replace(find_or_fail(renamed_only, QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16)), 16,
                         QByteArray("D\0a\0t\0a\0", 8) + QByteArray(8, 0));
    QTest::newRow("xls whose one stream goes by another name")
        << renamed_only << 1 << 0 << 0 << QStringLiteral("12");
    // The allocation table's entry for the directory's sector (sector 1, the
    // table in sector 0 at offset 512) marks it free instead of ending there.
    QTest::newRow("xls directory chain leaving the file's sectors")
        << with_u32_at(xls_package(biff8_workbook({{"tags", number(0, 0, 12)}})), 512 + 4,
                       0xFFFFFFFF)
        << 1 << 0 << 0 << QStringLiteral("12");
    const int sst = find_or_fail(header_250, QByteArray("\x05\x00\x00\x00\x05\x00\x00\x00", 8));
    QTest::newRow("xls declaring 2 billion strings")
        << with_u32_at(header_250, sst + 4, 0x7FFFFFFF) << 251 * 5 << 0 << 4
        << QStringLiteral("角度(°)");
    // Found by the workbook fuzz target: the sheet starts again with a BOF
    // record before its EOF, a sub-stream with DIMENSIONS of its own, which
    // holds every cell; LibreOffice shows the sheet empty too.
    const QByteArray twice = fixture_bytes("freexl_leak_dimensions_twice.xls");
    QTest::newRow("xls sheet declaring its dimensions twice") << twice << 0 << 0 << 0 << kAbsent;
    // The workbook entry's name goes on after a NUL; an entry "Book" for the
    // same stream follows, cut short: the first entry so named decides.
    const int workbook_entry = find_or_fail(twice, QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16));
    QByteArray renamed = twice;
    renamed.replace(workbook_entry + 16, 6, QByteArray("\0\0X\0\0\0", 6));
    renamed[workbook_entry + 0x40] = 22;
    const int next_entry = workbook_entry + 128;
    renamed.replace(next_entry, 64, QByteArray("B\0o\0o\0k\0", 8) + QByteArray(56, 0));
    renamed[next_entry + 0x40] = 10;
    renamed[next_entry + 0x42] = 2;
    renamed = with_u32_at(with_u32_at(renamed, next_entry + 0x74, 0), next_entry + 0x78, 2032);
    QTest::newRow("xls workbook entry whose name goes on after a NUL")
        << renamed << 0 << 0 << 0 << kAbsent;
    const QByteArray second = fixture_bytes("tags_second_sheet.xls");
    const int empty_dimensions =
        find_or_fail(second, QByteArray("\x00\x02\x0e\x00", 4) + QByteArray(14, 0));
    QByteArray undeclared = second;
    undeclared[empty_dimensions] = char(0x99);
    QTest::newRow("xls first sheet without dimensions") << undeclared << 0 << 0 << 0 << kAbsent;
    QTest::newRow("xls text cell outside any sheet")
        << xls_package(
               biff8_workbook({{"tags", dimensions(2, 3) + number(0, 0, 12)}}, label(0, 1, "ab")))
        << 1 << 0 << 0 << QStringLiteral("12");
    QTest::newRow("xls text cell beyond the sheet's dimensions")
        << xls_package(
               biff8_workbook({{"tags", dimensions(2, 3) + number(0, 0, 12) + label(2, 1, "ab")}}))
        << 2 << 2 << 1 << QStringLiteral("ab");
    // "abcd" (4 characters, 8-bit) broken after "ab"; the first CONTINUE
    // holds only its flags byte.
    QTest::newRow("xls shared string going on past a CONTINUE of flags alone")
        << xls_package(
               biff8_workbook({{"tags", dimensions(1, 1) + label_sst(0, 0, 0)}},
                              shared_strings(1, {QByteArray("\x04\0\0", 3) + "ab", QByteArray(1, 0),
                                                 QByteArray(1, 0) + "cd"})))
        << 1 << 0 << 0 << QStringLiteral("abcd");
    QTest::newRow("xls shared strings past the count the table declares")
        << xls_package(biff8_workbook({{"tags", dimensions(1, 1) + label_sst(0, 0, 1)}},
                                      shared_strings(1, {QByteArray("\x02\0\0", 3) + "ab" +
                                                         QByteArray("\x02\0\0", 3) + "xy"})))
        << 1 << 0 << 0 << QStringLiteral("xy");
    QTest::newRow("xls cell given a value twice, the later one wins")
        << xls_package(
               biff8_workbook({{"tags", dimensions(2, 3) + label(0, 1, "ab") + number(0, 1, 12)}}))
        << 1 << 0 << 1 << QStringLiteral("12");
}

void WorkbookReadersTest::xlsRecordsThatDoNotAddUpAreReadAsTheCellsSay()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, cells);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    const WorkbookRead read = read_workbook_bytes(bytes);
    QVERIFY2(read, qPrintable(read.refusal().reason));
    QCOMPARE(read->size(), cells);
    const SheetCell *cell = read->find(row, column);
    QCOMPARE(cell ? cell->text : kAbsent, text);
}

// The workbooks of scripts/make_xls_fixtures and
// scripts/make_lenient_fixtures.py, with what LibreOffice shows in
// them, numbers as their stored serials: probes are "row:column:text",
// 0-based; `oddity` a kind the reader notes, or empty when it notes none.
void WorkbookReadersTest::filesOtherWritersMakeReadAsStored_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("cells");
    QTest::addColumn<QStringList>("probes");
    QTest::addColumn<QString>("oddity");
    QTest::newRow("time-formatted numbers and formula results past column Z")
        << "xls_values_as_stored.xls" << 8
        << QStringList{"0:0:10.632", "0:1:1",     "0:2:0",        "1:26:45306.5",
                       "1:27:abc",   "1:28:true", "1:29:#DIV/0!", "1:30:false"}
        << QString();
    QTest::newRow("no code page, short string table, embedded chart, cell twice")
        << "xls_lenient_records.xls" << 4
        << QStringList{"0:0:二维码id", "0:1:long名字", "0:2:ok", "5:3:8", "7:7:" + kAbsent}
        << QStringLiteral("shared-string table declares more strings");
    QTest::newRow("sheet offset naming no BOF")
        << "xls_sheet_offset_off.xls" << 1 << QStringList{"0:0:42"}
        << QStringLiteral("sheet offsets lead to no BOF");
    QTest::newRow("BIFF5 in code page 936")
        << "xls_biff5_cp936.xls" << 4 << QStringList{"0:0:二维码id", "0:1:1.5", "1:0:-3", "1:2:中"}
        << QString();
    QTest::newRow("BIFF5 without CODEPAGE, its fonts in Russian")
        << "xls_biff5_fonts_cp1251.xls" << 2 << QStringList{"0:0:Метка", "0:1:7"} << QString();
    QTest::newRow("workbook stream without its container")
        << "xls_bare_stream.xls" << 20 << QStringList{"0:4:角度(°)", "3:1:-970", "3:4:-159"}
        << QString();
    // LibreOffice shows the record cut in two as zeros; it is left out here.
    QTest::newRow("compound file cut inside its stream")
        << "xls_cut_short.xls" << 5 + 286 * 5 + 1
        << QStringList{"286:4:22", "287:0:287", "287:1:" + kAbsent}
        << QStringLiteral("compound file cut short");
    QTest::newRow("allocation table sector past the end")
        << "xls_fat_past_end.xls" << 301 * 5 << QStringList{"300:4:120"}
        << QStringLiteral("compound file cut short");
    for (const char *file : {"xls_rc4_default_password.xls", "xls_cryptoapi_default_password.xls"})
        QTest::newRow(file) << file << 301 * 5 << QStringList{"0:1:x坐标(cm)", "300:4:120"}
                            << QString();
    for (const char *file :
         {"xlsx_standard_default_password.xlsx", "xlsx_agile_default_password.xlsx",
          "xlsx_agile_sha1_default_password.xlsx"})
        QTest::newRow(file) << file << 251 * 5 << QStringList{"0:1:x坐标(cm)", "250:4:130"}
                            << QString();
    // A single odd cell never refuses the sheet: it shows as stored, or
    // stays empty, and the reader notes it.
    QTest::newRow("xlsx lower-case references")
        << "lenient_lower_case_refs.xlsx" << 4
        << QStringList{"0:0:11", "0:1:tag", "1:0:12.5", "1:54:3"} << QString();
    QTest::newRow("xlsx times, durations and a number that is none")
        << "lenient_date_times.xlsx" << 5
        << QStringList{"0:0:" + sheet_number_text((10 * 3600 + 59 * 60 + 59.999) / 86400),
                       "0:1:" + sheet_number_text(11 * 60 / 86400.0), "0:2:45352.5", "0:3:soon",
                       "0:4:twelve"}
        << QStringLiteral("shown as stored");
    QTest::newRow("xlsx empty values and a shared string past the table")
        << "lenient_empty_values.xlsx" << 1
        << QStringList{"0:0:" + kAbsent, "0:1:" + kAbsent, "0:2:7", "0:3:" + kAbsent}
        << QStringLiteral("shared string");
    QTest::newRow("xlsx escapes and inline strings beside a value")
        << "lenient_escapes_inline.xlsx" << 4
        << QStringList{QStringLiteral("0:0:line\r\ntwo _x0041_"), "0:1:xAy", "0:2:inline",
                       QStringLiteral("0:3:a\rb")}
        << QString();
    QTest::newRow("xlsx ISO date in a 1904 workbook")
        << "lenient_date1904.xlsx" << 2 << QStringList{"0:0:1", "0:1:1"} << QString();
    QTest::newRow("xlsx without its shared-string part")
        << "lenient_no_shared_strings.xlsx" << 1 << QStringList{"0:0:5"} << QString();
    QTest::newRow("xlsx part name in another letter case")
        << "lenient_part_name_case.xlsx" << 1 << QStringList{"0:0:6"} << QString();
    // LibreOffice shows a value that does not parse as 0 or as the number it
    // starts with, and a value type it does not know as an empty cell.
    QTest::newRow("ods values that do not parse and a value type not known")
        << "lenient_ods_values.ods" << 7
        << QStringList{"0:0:12,5", "0:1:seven", "0:2:someday",    "0:3:noon",
                       "0:4:3+4i", "0:5:2.5",   "0:6:" + kAbsent, "0:7:8"}
        << QStringLiteral("shown as stored");
    QTest::newRow("ods repeat counts of zero, below zero, no number, past the sheet")
        << "lenient_ods_repeats.ods" << 5
        << QStringList{"0:0:1", "0:1:2", "0:2:3", "0:3:" + kAbsent, "0:5:4", "1:0:5"}
        << QStringLiteral("repeat count");
}

void WorkbookReadersTest::filesOtherWritersMakeReadAsStored()
{
    QFETCH(QString, file);
    QFETCH(int, cells);
    QFETCH(QStringList, probes);
    QFETCH(QString, oddity);
    const WorkbookRead read = read_workbook_file(fixture_path(file));
    QVERIFY2(read, qPrintable(read.refusal().reason));
    QCOMPARE(read->size(), cells);
    for (const QString &probe : probes) {
        const QStringList parts = probe.split(QLatin1Char(':'));
        const SheetCell *cell = read->find(parts.at(0).toInt(), parts.at(1).toInt());
        QCOMPARE(cell ? cell->text : kAbsent, parts.mid(2).join(QLatin1Char(':')));
    }
    QStringList kinds;
    for (const SheetOddity &odd : read->oddities())
        kinds << odd.kind;
    if (oddity.isEmpty())
        QCOMPARE(kinds, QStringList());
    else
        QVERIFY2(kinds.join(QLatin1Char('|')).contains(oddity), qPrintable(kinds.join('|')));
}

void WorkbookReadersTest::declaredSizesAreIgnoredForWhatIsActuallyThere_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("xlsx declaring the whole sheet as its dimension") << xlsx_package(
        "<?xml version=\"1.0\"?><worksheet><dimension ref=\"A1:XFD1048576\"/><sheetData>"
        "<row r=\"2\"><c r=\"B2\"><v>7</v></c></row></sheetData></worksheet>");
    QTest::newRow("ods with a million blank rows and columns")
        << ods_package("<table:table-row table:number-rows-repeated=\"1\">"
                       "<table:table-cell table:number-columns-repeated=\"1\"/>"
                       "<table:table-cell office:value-type=\"float\" office:value=\"7\"/>"
                       "<table:table-cell table:number-columns-repeated=\"1000000\"/>"
                       "</table:table-row><table:table-row table:number-rows-repeated=\"1000000\">"
                       "<table:table-cell table:number-columns-repeated=\"1000000\"/>"
                       "</table:table-row>");
}

void WorkbookReadersTest::declaredSizesAreIgnoredForWhatIsActuallyThere()
{
    QFETCH(QByteArray, bytes);
    const WorkbookRead cells = read_workbook_bytes(bytes);
    QVERIFY(cells);
    QCOMPARE(cells->size(), 1);
    const UsedRange range = cells->used_range();
    QCOMPARE(range.first_column, 2);
    QCOMPARE(range.row_count, 1);
    QCOMPARE(range.column_count, 1);
    QCOMPARE(cells->find(range.first_row - 1, 1)->text, QStringLiteral("7"));
}

void WorkbookReadersTest::missingFileIsRefused()
{
    verify_refused(read_workbook_file(fixture_path("no_such_workbook.xlsx")),
                   RefusalKind::Unreadable, QStringLiteral("cannot open"));
}

void WorkbookReadersTest::oversizedFileIsRefusedUnread()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("huge.xlsx")));
    // Sparse: the size is declared, not written.
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kMaxWorkbookBytes + 1));
    file.close();
    verify_refused(read_workbook_file(file.fileName()), RefusalKind::TooLarge,
                   QString::number(kMaxWorkbookBytes));
}

void WorkbookReadersTest::storedNumbersShowAsTheirDoubleShows_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    const QVector<QPair<const char *, const char *>> numbers{
        {"12", "12"},
        {"-5", "-5"},
        {"0", "0"},
        {"-0", "0"},
        {"007", "7"},
        {"12.0", "12"},
        {"12.5", "12.5"},
        {"1e3", "1000"},
        {"1.234e-06", "1.234e-06"},
        {"123456789012345", "123456789012345"},
        {"-123456789012345", "-123456789012345"},
        {"1234567890123456", "1234567890123456"},
        {"99999999999999999999", "1e+20"},
        {"0.1", "0.1"},
        {"-0.000001", "-1e-06"},
        // Whole numbers that end in zeros are where the shortest form
        // would take an exponent.
        {"1000000", "1000000"},
        {"1E+6", "1000000"},
        {"-4.2e7", "-42000000"},
        {"999999999999999", "999999999999999"},
        {"-1e14", "-100000000000000"},
        {"1e15", "1e+15"},
        {" 42 ", "42"},
        // Between 0.0001 and 1, and up to five places past the digits,
        // numbers stay plain, where Qt 6's own shortest form would take an
        // exponent for 0.0001.
        {"0.0001", "0.0001"},
        {"-0.0004", "-0.0004"},
        {"0.000999", "0.000999"},
        {"1e-05", "1e-05"},
        {"100000.5", "100000.5"},
        {"1e16", "1e+16"},
        {"1.23e17", "1.23e+17"},
        {"1234567890100000.5", "1234567890100000.5"},
        {"12345678901000000", "1.2345678901e+16"},
        {"12345678901234567000", "12345678901234567000"},
        {"1e100", "1e+100"},
        {"1.5e-300", "1.5e-300"},
        {"5e-324", "5e-324"},
    };
    for (const auto &number : numbers)
        QTest::newRow(number.first)
            << QString::fromLatin1(number.first) << QString::fromLatin1(number.second);
}

void WorkbookReadersTest::storedNumbersShowAsTheirDoubleShows()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    bool ok = false;
    QCOMPARE(sheet_number_text(stored, &ok), shown);
    QVERIFY(ok);
    QCOMPARE(sheet_number_text(stored.toDouble()), shown);
    sheet_number_text(QStringLiteral("12a"), &ok);
    QVERIFY(!ok);
}

void WorkbookReadersTest::numbersShowAlikeInEveryFormat_data()
{
    QTest::addColumn<QString>("file");
    for (const char *format : {"xlsx", "xls", "ods"})
        QTest::newRow(format) << QStringLiteral("tags_numbers.") + format;
}

void WorkbookReadersTest::numbersShowAlikeInEveryFormat()
{
    QFETCH(QString, file);
    const WorkbookRead cells = read_workbook_file(fixture_path(file));
    QVERIFY(cells);
    // The workbook holds one number a row, in this order.
    const QStringList expected{"1000000",
                               "123456789012345",
                               "-42",
                               "0",
                               "0.1",
                               "1e+20",
                               "2.5",
                               "1234567.125",
                               "999999999999999",
                               "-100000000000000",
                               "1e+15",
                               "1e-07"};
    QStringList actual;
    for (const QStringList &row : grid_of(*cells, expected.size() + 1, 1))
        actual << row.first();
    QCOMPARE(actual, expected + QStringList{kAbsent});
}

void WorkbookReadersTest::utf8TextIsDecodedOnlyWhenWhollyValid_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("text");
    const QString face = QString::fromUcs4(U"a\U0001F600");
    QTest::newRow("ascii") << QByteArray("abc") << true << QStringLiteral("abc");
    QTest::newRow("empty") << QByteArray() << true << QString();
    QTest::newRow("chinese") << QByteArray("\xE4\xB8\xAD") << true << QStringLiteral("\u4E2D");
    QTest::newRow("four-byte") << QByteArray("a\xF0\x9F\x98\x80") << true << face;
    QTest::newRow("noncharacter") << QByteArray("\xEF\xBF\xBE") << true << QString(QChar(0xFFFE));
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                   "abc")
                                     << true << QStringLiteral("abc");
    QTest::newRow("only a byte order mark") << QByteArray("\xEF\xBB\xBF") << true << QString();
    QTest::newRow("second byte order mark kept")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                      "a")
        << true << QString(QChar(0xFEFF)) + QLatin1Char('a');
    QTest::newRow("cut off at the end") << QByteArray("ab\xE4\xB8") << false << QString();
    QTest::newRow("lead byte at the end") << QByteArray("ab\xC3") << false << QString();
    QTest::newRow("cut off byte order mark") << QByteArray("\xEF\xBB") << false << QString();
    QTest::newRow("not UTF-8") << QByteArray("a\xFF"
                                             "b")
                               << false << QString();
    QTest::newRow("lone continuation") << QByteArray("a\x80") << false << QString();
    QTest::newRow("overlong") << QByteArray("a\xC0\xAF") << false << QString();
    QTest::newRow("surrogate") << QByteArray("a\xED\xA0\x80") << false << QString();
    QTest::newRow("past U+10FFFF") << QByteArray("a\xF4\x90\x80\x80") << false << QString();
}

void WorkbookReadersTest::utf8TextIsDecodedOnlyWhenWhollyValid()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(QString, text);
    const std::optional<QString> decoded = decode_utf8_strictly(bytes);
    QCOMPARE(decoded.has_value(), valid);
    if (valid)
        QCOMPARE(*decoded, text);
}

QTEST_GUILESS_MAIN(WorkbookReadersTest)
#include "tst_workbook_readers.moc"
