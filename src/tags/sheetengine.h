#pragma once

#include <QString>

class QTableWidget;

// Reads the first worksheet of a workbook into the tag table.
class SheetEngine
{
public:
    SheetEngine() = default;
    ~SheetEngine();
    SheetEngine(const SheetEngine &) = delete;
    SheetEngine &operator=(const SheetEngine &) = delete;

    bool open(const QString &file_name, int sheet_index, bool visible);
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
};
