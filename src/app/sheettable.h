#pragma once

class QTableWidget;
class SheetEngine;

// Rebuilds the tag table from the sheet `engine` has open: five columns with
// the tag headers, then engine.row_limit rows of five centred cells taken from
// the used range's first row and column on. False only for a null table or
// when no sheet is open.
bool read_into_table(SheetEngine &engine, QTableWidget *table);
