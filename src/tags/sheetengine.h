#pragma once

#include "workbook/sheetcells.h"

#include <QString>
#include <optional>

// Reads the first worksheet of a workbook for the tag table. open() reads
// and parses the whole sheet into memory, so that a file that cannot be
// read fails there and the table is never touched; the window's
// read_into_table() then only copies cells; close() drops the parsed sheet.
class SheetEngine
{
public:
    SheetEngine() = default;
    ~SheetEngine();
    SheetEngine(const SheetEngine &) = delete;
    SheetEngine &operator=(const SheetEngine &) = delete;

    // Sheet index 1 is the first worksheet, the only one read; `visible` is
    // kept for the callers' sake and has nothing to show.
    bool open(const QString &file_name, int sheet_index, bool visible);

    // The text of cell `row`, `column` (from 0) of the used range, empty
    // where the sheet holds none or no sheet is open.
    QString range_cell(int row, int column) const;
    bool has_sheet() const
    {
        return sheet.has_value();
    }

    void close();

    // Why the last open() failed, in the words of the import's log line;
    // empty after a successful one.
    QString failure() const
    {
        return last_failure;
    }

    int row_limit = 200;
    QString file_name;
    int row_count = 0;
    int column_count = 0;
    int first_row = 0;
    int first_column = 0;
    int sheet_index = 0;
    bool visible = false;
    bool is_open = false;

private:
    std::optional<SheetCells> sheet;
    QString last_failure;
};
