#pragma once

#include "tags/sheetcells.h"

#include <QString>
#include <optional>

class QTableWidget;

// Reads the first worksheet of a workbook into the tag table. open() reads
// and parses the whole sheet into memory, so that a file that cannot be
// read fails there and the table is never touched; read_into_table() only
// copies cells; close() drops the parsed sheet.
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

    // Rebuilds the table: five columns with the tag headers, then row_limit
    // rows of five centred cells taken from the used range's first row and
    // column on. False only for a null table or when no sheet is open.
    bool read_into_table(QTableWidget *table);

    void close();

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
};
