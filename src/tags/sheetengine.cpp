#include "tags/sheetengine.h"

#include "tags/tagtable.h"
#include "workbook/workbookreader.h"

#include <QDir>
#include <QLoggingCategory>

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
    last_failure.clear();
    if (file_name.isEmpty() || sheet_index != 1) {
        last_failure = QStringLiteral("no file, or not the first worksheet");
        return false;
    }
    WorkbookRead read = read_workbook_file(file_name);
    if (!read) {
        // The operator is only told that the file did not open; the log
        // keeps what was wrong with it for whoever looks into the report.
        last_failure = import_refusal_text(file_name, read.refusal());
        qCWarning(import_log, "%s", qUtf8Printable(last_failure));
        return false;
    }
    // A sheet read with cells left out or shown as stored: one line per
    // kind of oddity, so that a file with thousands of them stays readable.
    for (const SheetOddity &odd : read->oddities())
        qCWarning(import_log, "import of %s: %s (%d times), first: %s",
                  qUtf8Printable(QDir::toNativeSeparators(file_name)), qUtf8Printable(odd.kind),
                  odd.count, qUtf8Printable(odd.detail));
    sheet = std::move(*read);
    const UsedRange range = sheet->used_range();
    first_row = range.first_row;
    first_column = range.first_column;
    row_count = range.row_count;
    column_count = range.column_count;
    is_open = true;
    return true;
}

QString SheetEngine::range_cell(int row, int column) const
{
    if (!sheet)
        return QString();
    const SheetCell *cell = sheet->find(first_row - 1 + row, first_column - 1 + column);
    return cell ? cell->text : QString();
}

void SheetEngine::close()
{
    sheet.reset();
    is_open = false;
}
