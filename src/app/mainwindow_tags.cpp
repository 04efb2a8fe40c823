#include "app/mainwindow.h"

#include "app/filedialogs.h"
#include "app/sheettable.h"
#include "app/tagmapview.h"
#include "tags/sheetengine.h"
#include "tags/tagconversion.h"
#include "tags/tagexport.h"
#include "tags/tagtable.h"
#include "ui_mainwindowform.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QSaveFile>

namespace
{

// A cell without an item reads as empty text.
QString cell_text(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

bool write_file_completely(const QString &path, const QByteArray &bytes)
{
    // The old file stays as it was unless the new one is written whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    const QString path =
        ask_open_file_name(this, QStringLiteral("select file"), QStringLiteral("../datafile/"),
                           QStringLiteral("*.xls *.xlsx"));
    if (path.isEmpty())
        return;
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
    if (!write_file_completely(path, tag_export_bytes(rows)))
        QMessageBox::information(this, QStringLiteral("excel提示"), QStringLiteral("文件写入失败"),
                                 QMessageBox::Ok);
}
