#include "app/mainwindow.h"
#include "modalsteps.h"
#include "tags/sheetengine.h"
#include "ui_mainwindowform.h"
#include "workbookfiles.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace
{

const QString kConfirmText =
    QStringLiteral("从excel文件中导入数据将会覆盖之前所有内容，\n确定导入吗？");

QStringList row_texts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem *item = table->item(row, column);
        texts << (item ? item->text() : QStringLiteral("<no item>"));
    }
    return texts;
}

void fill_row(QTableWidget *table, int row, const QStringList &texts)
{
    for (int column = 0; column < texts.size(); ++column)
        table->item(row, column)->setText(texts.at(column));
}

QByteArray file_bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TagImportExportTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void answeringNoOrCancellingLeavesTheTableUntouched_data();
    void answeringNoOrCancellingLeavesTheTableUntouched();
    void importFillsLimitRowsFromTheUsedRangeCentred_data();
    void importFillsLimitRowsFromTheUsedRangeCentred();
    void importCutsALongerSheetAtTheLimit_data();
    void importCutsALongerSheetAtTheLimit();
    void emptyFirstSheetGivesRowsOfEmptyCentredCells();
    void failedOpenTellsTheOperatorAndLeavesTheTableAsItWas_data();
    void failedOpenTellsTheOperatorAndLeavesTheTableAsItWas();
    void exportWritesTabTerminatedCellsWithoutAFinalLineFeed();
    void exportOfAFreshTableIsTwoHundredLinesOfFiveTabs();
    void exportWithALimitOfZeroOrLessWritesAnEmptyFile();
    void exportThenImportGivesBackTheSameRows_data();
    void exportThenImportGivesBackTheSameRows();
    void exportThatCannotBeWrittenTellsTheOperator();
    void cancelledExportIsSilentAndWritesNothing();

private:
    void set_limit(int limit);
    QVector<SeenWindow> import_file(const QString &path);
    QVector<SeenWindow> export_file(const QString &path);

    MainWindow *window = nullptr;
    QTableWidget *table = nullptr;
    std::unique_ptr<QTemporaryDir> scratch;
    QDir dir;
};

void TagImportExportTest::init()
{
    window = new MainWindow;
    table = window->ui->tableWidget;
    scratch = std::make_unique<QTemporaryDir>();
    dir = QDir(scratch->path());
}

void TagImportExportTest::cleanup()
{
    delete window;
    window = nullptr;
    scratch.reset();
}

void TagImportExportTest::set_limit(int limit)
{
    window->ui->transportNum_edit->setText(QString::number(limit));
    window->ui->transportNum_Btn->click();
    QCOMPARE(window->sheet_engine->row_limit, window->transport_limit);
}

QVector<SeenWindow> TagImportExportTest::import_file(const QString &path)
{
    ModalSteps steps({ModalSteps::press(QMessageBox::Yes), ModalSteps::choose_file(path),
                      ModalSteps::press(QMessageBox::Ok)});
    window->ui->input_excel->click();
    [&] { QTRY_VERIFY(steps.finished()); }();
    return steps.seen();
}

QVector<SeenWindow> TagImportExportTest::export_file(const QString &path)
{
    ModalSteps steps({ModalSteps::choose_file(path), ModalSteps::press(QMessageBox::Ok)});
    window->ui->output_excel->click();
    [&] { QTRY_VERIFY(steps.finished()); }();
    return steps.seen();
}

void TagImportExportTest::answeringNoOrCancellingLeavesTheTableUntouched_data()
{
    QTest::addColumn<bool>("answer_yes");
    QTest::newRow("No to the warning") << false;
    QTest::newRow("file dialogue cancelled") << true;
}

void TagImportExportTest::answeringNoOrCancellingLeavesTheTableUntouched()
{
    QFETCH(bool, answer_yes);
    fill_row(table, 0, {"5", "1", "2", "3", "4"});
    QTableWidgetItem *before = table->item(0, 0);
    ModalSteps steps({ModalSteps::press(answer_yes ? QMessageBox::Yes : QMessageBox::No),
                      ModalSteps::reject(), ModalSteps::reject()});
    window->ui->input_excel->click();
    QTRY_VERIFY(steps.finished());

    const QVector<SeenWindow> seen = steps.seen();
    QCOMPARE(seen.size(), answer_yes ? 2 : 1);
    QCOMPARE(seen.at(0).title, QStringLiteral("warning"));
    QCOMPARE(seen.at(0).text, kConfirmText);
    QCOMPARE(seen.at(0).button_texts.size(), 2);
    QCOMPARE(table->item(0, 0), before);
    QCOMPARE(row_texts(table, 0), QStringList({"5", "1", "2", "3", "4"}));
}

void TagImportExportTest::importFillsLimitRowsFromTheUsedRangeCentred_data()
{
    QTest::addColumn<QString>("file");
    for (const char *format : {"xlsx", "xls", "ods"})
        QTest::newRow(format) << QStringLiteral("tags_block_c5.") + format;
}

void TagImportExportTest::importFillsLimitRowsFromTheUsedRangeCentred()
{
    QFETCH(QString, file);
    // The dialogue starts in ../datafile/ from the working directory.
    QVERIFY(dir.mkpath(QStringLiteral("datafile")) && dir.mkpath(QStringLiteral("work")));
    const QString working_directory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("work"))));
    const QVector<SeenWindow> seen = import_file(fixture_path(file));
    QDir::setCurrent(working_directory);

    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.at(1).class_name, QStringLiteral("QFileDialog"));
    QCOMPARE(seen.at(1).title, QStringLiteral("select file"));
    // The form's own entry first; the other formats the import reads follow.
    QCOMPARE(seen.at(1).name_filters.value(0), QStringLiteral("*.xls *.xlsx"));
    QCOMPARE(seen.at(1).directory, dir.filePath(QStringLiteral("datafile")));

    QCOMPARE(table->columnCount(), 5);
    QCOMPARE(table->rowCount(), 20000);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("二维码id"));
    QCOMPARE(table->horizontalHeaderItem(4)->text(), QStringLiteral("角度(°)"));
    QCOMPARE(row_texts(table, 0), QStringList({"301", "-120", "45", "150", "-90"}));
    QCOMPARE(row_texts(table, 2), QStringList({"303", "65535", "-65535", "999", "359"}));
    QCOMPARE(row_texts(table, 3), QStringList({"", "", "", "", ""}));
    QCOMPARE(row_texts(table, 199), QStringList({"", "", "", "", ""}));
    QCOMPARE(table->item(200, 0), nullptr);
    QCOMPARE(table->item(19999, 4), nullptr);
    for (int row : {0, 3, 199})
        for (int column = 0; column < 5; ++column)
            QCOMPARE(table->item(row, column)->textAlignment(), int(Qt::AlignCenter));
    QVERIFY(!window->sheet_engine->is_open);
    QCOMPARE(window->sheet_engine->first_row, 5);
    QCOMPARE(window->sheet_engine->first_column, 3);
}

void TagImportExportTest::importCutsALongerSheetAtTheLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("default limit") << 200;
    QTest::newRow("limit 3") << 3;
    QTest::newRow("limit 0") << 0;
    QTest::newRow("negative limit") << -4;
}

void TagImportExportTest::importCutsALongerSheetAtTheLimit()
{
    QFETCH(int, limit);
    set_limit(limit);
    import_file(fixture_path("tags_header_250.xlsx"));

    QCOMPARE(table->columnCount(), 5);
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("x坐标(cm)"));
    if (limit <= 0) {
        QCOMPARE(table->item(0, 0), nullptr);
        return;
    }
    // The sheet's header line is table row 0.
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("二维码id"));
    QCOMPARE(table->item(limit - 1, 0)->text(), QString::number(limit - 1));
    QCOMPARE(table->item(limit, 0), nullptr);
}

void TagImportExportTest::emptyFirstSheetGivesRowsOfEmptyCentredCells()
{
    fill_row(table, 0, {"5", "1", "2", "3", "4"});
    import_file(fixture_path("tags_second_sheet.ods"));
    QCOMPARE(row_texts(table, 0), QStringList({"", "", "", "", ""}));
    QCOMPARE(row_texts(table, 199), QStringList({"", "", "", "", ""}));
    QCOMPARE(table->item(0, 0)->textAlignment(), int(Qt::AlignCenter));
    QCOMPARE(table->item(200, 0), nullptr);
}

void TagImportExportTest::failedOpenTellsTheOperatorAndLeavesTheTableAsItWas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("logged_kind");
    const QByteArray xlsx = fixture_bytes("tags_header_250.xlsx");
    QTest::newRow("truncated xlsx") << xlsx.left(xlsx.size() / 2) << "broken archive";
    QTest::newRow("binary file") << QByteArray("\x00\x01\x02garbage", 10) << "not a workbook";
    QTest::newRow("external entity")
        << xlsx_package("<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY x SYSTEM "
                        "\"file:///etc/hostname\">]><worksheet><sheetData><row r=\"1\"><c r=\"A1\" "
                        "t=\"inlineStr\"><is><t>&x;</t></is></c></row></sheetData></worksheet>")
        << "document type declaration";
}

void TagImportExportTest::failedOpenTellsTheOperatorAndLeavesTheTableAsItWas()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, logged_kind);
    const QString path = dir.filePath(QStringLiteral("broken.xlsx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    fill_row(table, 7, {"9", "8", "7", "6", "5"});
    QTableWidgetItem *before = table->item(7, 2);
    // The operator's message says nothing of the cause; the log must.
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression(QStringLiteral("^import of .*broken\\.xlsx refused \\(") +
                           QRegularExpression::escape(logged_kind) + QStringLiteral("\\): .+")));

    const QVector<SeenWindow> seen = import_file(path);

    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen.at(2).title, QStringLiteral("excel提示"));
    QCOMPARE(seen.at(2).text, QStringLiteral("文件打开失败"));
    QCOMPARE(seen.at(2).button_texts.size(), 1);
    QCOMPARE(table->item(7, 2), before);
    QCOMPARE(row_texts(table, 7), QStringList({"9", "8", "7", "6", "5"}));
    QCOMPARE(table->item(8, 0)->text(), QString());
    QCOMPARE(table->item(19999, 4)->text(), QString());
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("二维码id"));
    QVERIFY(!window->sheet_engine->is_open);
}

void TagImportExportTest::exportWritesTabTerminatedCellsWithoutAFinalLineFeed()
{
    set_limit(3);
    fill_row(table, 0, {"1", "-2", "3", "4", "5"});
    fill_row(table, 2, {"二维码", "", "x y", "", "7"});
    const QString path = dir.filePath(QStringLiteral("map.xlsx"));
    const QVector<SeenWindow> seen = export_file(path);

    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.at(0).title, QStringLiteral("Save as..."));
    QCOMPARE(seen.at(0).name_filters.mid(0, 2),
             QStringList({"EXCEL files (*.xls *.xlsx)", "HTML-Files (*.txt)"}));
    QCOMPARE(file_bytes(path), QByteArray("1\t-2\t3\t4\t5\t\n\t\t\t\t\t\n二维码\t\tx y\t\t7\t"));
}

void TagImportExportTest::exportOfAFreshTableIsTwoHundredLinesOfFiveTabs()
{
    const QString path = dir.filePath(QStringLiteral("fresh.xls"));
    export_file(path);
    const QByteArray bytes = file_bytes(path);
    QCOMPARE(bytes.count('\n'), 199);
    QCOMPARE(bytes.count('\t'), 1000);
    QCOMPARE(bytes.size(), 1199);
    QVERIFY(!bytes.endsWith('\n'));
}

void TagImportExportTest::exportWithALimitOfZeroOrLessWritesAnEmptyFile()
{
    for (int limit : {0, -3}) {
        set_limit(limit);
        const QString path = dir.filePath(QStringLiteral("empty%1.txt").arg(limit));
        export_file(path);
        QVERIFY(QFile::exists(path));
        QCOMPARE(file_bytes(path), QByteArray());
    }
}

void TagImportExportTest::exportThenImportGivesBackTheSameRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("named .xls") << "round.xls";
    QTest::newRow("named .xlsx") << "round.xlsx";
    QTest::newRow("named .txt") << "round.txt";
}

void TagImportExportTest::exportThenImportGivesBackTheSameRows()
{
    QFETCH(QString, name);
    set_limit(6);
    // Leading empty rows and an empty first column must come back in place.
    fill_row(table, 2, {"", "12.5", "中文", "a,b", "\"q\""});
    fill_row(table, 3, {"25000", "-7", " pad ", "", "°"});
    fill_row(table, 5, {"1", "", "", "", ""});
    QVector<QStringList> before;
    for (int row = 0; row < 6; ++row)
        before << row_texts(table, row);

    const QString path = dir.filePath(name);
    export_file(path);
    import_file(path);

    for (int row = 0; row < 6; ++row)
        QCOMPARE(row_texts(table, row), before.at(row));
    QCOMPARE(table->item(6, 0), nullptr);
}

void TagImportExportTest::exportThatCannotBeWrittenTellsTheOperator()
{
    // Not even the superuser can create files here.
    const QString path = QStringLiteral("/proc/poscam_tag_map.txt");
    const QVector<SeenWindow> seen = export_file(path);
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.at(1).class_name, QStringLiteral("QMessageBox"));
    QCOMPARE(seen.at(1).title, QStringLiteral("excel提示"));
    QCOMPARE(seen.at(1).text, QStringLiteral("文件写入失败"));
    QVERIFY(!QFile::exists(path));
}

void TagImportExportTest::cancelledExportIsSilentAndWritesNothing()
{
    ModalSteps steps({ModalSteps::reject(), ModalSteps::press(QMessageBox::Ok)});
    window->ui->output_excel->click();
    QTRY_VERIFY(steps.finished());
    QCOMPARE(steps.seen().size(), 1);
    QCOMPARE(dir.entryList(QDir::Files), QStringList());
}

QTEST_MAIN(TagImportExportTest)
#include "tst_tag_import_export.moc"
