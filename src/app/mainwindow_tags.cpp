#include "app/mainwindow.h"

#include "app/filedialogs.h"
#include "app/sheettable.h"
#include "app/tagmapview.h"
#include "tags/mapfile.h"
#include "tags/mapwriter.h"
#include "tags/sheetengine.h"
#include "tags/tagconversion.h"
#include "tags/tagexport.h"
#include "tags/tagtable.h"
#include "ui_mainwindowform.h"

#include <QHeaderView>
#include <QMessageBox>

namespace
{

// A cell without an item reads as empty text.
QString cell_text(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

void MainWindow::tag_table_setup()
{
    QTableWidget *table = ui->tableWidget;
    table->setColumnCount(TAG_TABLE_COLUMNS);
    table->setRowCount(TAG_TABLE_ROWS);
    table->setHorizontalHeaderLabels(tag_table_headers());
    table->setSelectionBehavior(QAbstractItemView::SelectItems);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->horizontalHeader()->setStyleSheet(tag_table_header_style());
    for (int row = 0; row < TAG_TABLE_ROWS; ++row)
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column)
            table->setItem(row, column, new QTableWidgetItem);
}

TagRowTexts MainWindow::tag_row_texts(int row) const
{
    TagRowTexts texts;
    for (int column = 0; column < TAG_TABLE_COLUMNS; ++column)
        texts[column] = cell_text(ui->tableWidget, row, column);
    return texts;
}

std::optional<TagRecord> MainWindow::tag_record_from_row(int row) const
{
    return tag_record_from_texts(tag_row_texts(row));
}

void MainWindow::on_input_excel_clicked()
{
    const QMessageBox::StandardButton answer = QMessageBox::information(
        this, QStringLiteral("warning"),
        QStringLiteral("从excel文件中导入数据将会覆盖之前所有内容，\n确定导入吗？"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    // The first entry is the form's own; the second offers the other
    // formats the import reads.
    const QString path =
        ask_open_file_name(this, QStringLiteral("select file"), QStringLiteral("../datafile/"),
                           QStringLiteral("*.xls *.xlsx;;*.ods *.txt *.csv *.tsv *.dxf"));
    if (path.isEmpty())
        return;
    if (is_dxf_file(path)) {
        read_dxf_into_table(path);
        return;
    }
    if (!sheet_engine->open(path, 1, false)) {
        QMessageBox::information(this, QStringLiteral("excel提示"), QStringLiteral("文件打开失败"),
                                 QMessageBox::Ok);
        return;
    }
    read_into_table(*sheet_engine, ui->tableWidget);
    sheet_engine->close();
    tag_map_view->table_replaced();
}

void MainWindow::on_output_excel_clicked()
{
    const QString path =
        ask_save_file_name(this, QStringLiteral("Save as..."), QString(),
                           QStringLiteral("EXCEL files (*.xls *.xlsx);;HTML-Files (*.txt);;"));
    if (path.isEmpty())
        return;
    const QTableWidget *table = ui->tableWidget;
    QVector<QStringList> rows;
    for (int row = 0; row < transport_limit; ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << cell_text(table, row, column);
        rows << cells;
    }
    QString error;
    if (!write_file_whole(path, tag_export_bytes(rows), true, &error))
        QMessageBox::information(this, QStringLiteral("excel提示"), QStringLiteral("文件写入失败"),
                                 QMessageBox::Ok);
}
