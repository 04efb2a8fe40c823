#include "tags/sheetengine.h"

#include "tags/tagtable.h"
#include "tags/workbookreader.h"

#include <QDir>
#include <QLoggingCategory>
#include <QTableWidget>
#include <algorithm>

namespace
{

Q_LOGGING_CATEGORY(import_log, "poscam.import")

QString import_refusal_text(const QString &file_name, const Refusal &refusal)
{
    return QStringLiteral("import of %1 refused (%2): %3")
        .arg(QDir::toNativeSeparators(file_name), QLatin1String(refusal_kind_name(refusal.kind)),
             refusal.reason);
}

} // namespace

SheetEngine::~SheetEngine()
{
    if (is_open)
        close();
}

bool SheetEngine::open(const QString &file_name, int sheet_index, bool visible)
{
    if (is_open)
        close();
    this->file_name = file_name;
    this->sheet_index = sheet_index;
    this->visible = visible;
    if (file_name.isEmpty() || sheet_index != 1)
        return false;
    WorkbookRead read = read_workbook_file(file_name);
    if (!read) {
        // The operator is only told that the file did not open; the log
        // keeps what was wrong with it for whoever looks into the report.
        qCWarning(import_log, "%s", qUtf8Printable(import_refusal_text(file_name, read.refusal())));
        return false;
    }
    sheet = std::move(*read);
    const UsedRange range = sheet->used_range();
    first_row = range.first_row;
    first_column = range.first_column;
    row_count = range.row_count;
    column_count = range.column_count;
    is_open = true;
    return true;
}

bool SheetEngine::read_into_table(QTableWidget *table)
{
    if (!table || !sheet)
        return false;
    table->clear();
    table->setColumnCount(0);
    column_count = TAG_TABLE_COLUMNS;
    row_count = row_limit;
    table->setColumnCount(TAG_TABLE_COLUMNS);
    table->setHorizontalHeaderLabels(tag_table_headers());
    // The limit never exceeds the table's 20000 rows; a row that does not
    // exist could not take its items.
    const int rows = std::min(row_limit, table->rowCount());
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < TAG_TABLE_COLUMNS; ++column) {
            const SheetCell *cell = sheet->find(first_row - 1 + row, first_column - 1 + column);
            auto *item = new QTableWidgetItem(cell ? cell->text : QString());
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(row, column, item);
        }
    }
    return true;
}

void SheetEngine::close()
{
    sheet.reset();
    is_open = false;
}
