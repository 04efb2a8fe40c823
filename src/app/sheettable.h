#pragma once

#include "tags/tagconversion.h"

#include <QVector>

class QTableWidget;
class SheetEngine;

// Rebuilds the tag table from the sheet `engine` has open: five columns with
// the tag headers, then engine.row_limit rows of five centred cells taken from
// the used range's first row and column on. False only for a null table or
// when no sheet is open.
bool read_into_table(SheetEngine &engine, QTableWidget *table);

// Rebuilds the tag table as an import does, from `rows` (at most the
// table's rows): the rows after them have no items.
void fill_table_rows(QTableWidget *table, const QVector<TagRowTexts> &rows);
