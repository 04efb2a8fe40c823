#pragma once

#include <QStringList>

// The tag table's fixed shape.
constexpr int TAG_TABLE_ROWS = 20000;
constexpr int TAG_TABLE_COLUMNS = 5;

// Column headers in column order.
QStringList tag_table_headers();

// The header style sheet, applied verbatim.
QString tag_table_header_style();
