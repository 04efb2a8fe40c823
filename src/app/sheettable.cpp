#include "app/sheettable.h"

#include "tags/sheetengine.h"
#include "tags/tagtable.h"

#include <QTableWidget>
#include <algorithm>

bool read_into_table(SheetEngine &engine, QTableWidget *table)
{
    if (!table || !engine.has_sheet())
        return false;
    table->clear();
    table->setColumnCount(0);
    engine.column_count = TAG_TABLE_COLUMNS;
    engine.row_count = engine.row_limit;
    table->setColumnCount(TAG_TABLE_COLUMNS);
    table->setHorizontalHeaderLabels(tag_table_headers());
    // The limit never exceeds the table's 20000 rows; a row that does not
    // exist could not take its items.
    const int rows = std::min(engine.row_limit, table->rowCount());
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column) {
            auto *item = new QTableWidgetItem(engine.range_cell(row, column));
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(row, column, item);
        }
    }
    return true;
}
