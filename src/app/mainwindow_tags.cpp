#include "app/mainwindow.h"

#include "tags/tagtable.h"
#include "ui_mainwindowform.h"

#include <QHeaderView>

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

std::optional<TagRecord> MainWindow::tag_record_from_row(int) const
{
    return std::nullopt;
}

void MainWindow::on_output_excel_clicked() {}
void MainWindow::on_input_excel_clicked() {}
