#include "app/sheettable.h"

#include "tags/sheetengine.h"
#include "tags/tagtable.h"

#include <QTableWidget>
#include <algorithm>

bool read_into_table(SheetEngine &engine, QTableWidget *table)
{
    if (!table || !engine.has_sheet())
        return false;
    engine.column_count = TAG_TABLE_COLUMNS;
    engine.row_count = engine.row_limit;
    // The limit never exceeds the table's 20000 rows; a row that does not
    // exist could not take its items.
    QVector<TagRowTexts> rows(std::clamp(engine.row_limit, 0, table->rowCount()));
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column)
            rows[row][column] = engine.range_cell(row, column);
    fill_table_rows(table, rows);
    return true;
}

void fill_table_rows(QTableWidget *table, const QVector<TagRowTexts> &rows)
{
    table->clear();
    table->setColumnCount(0);
    table->setColumnCount(TAG_TABLE_COLUMNS);
    table->setHorizontalHeaderLabels(tag_table_headers());
    const int count = std::min(int(rows.size()), table->rowCount());
    for (int row = 0; row < count; ++row) {
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column) {
            auto *item = new QTableWidgetItem(rows.at(row)[column]);
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(row, column, item);
        }
    }
}
