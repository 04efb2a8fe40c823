#pragma once

#include "workbook/sheetcells.h"

#include <QByteArray>

// Reads separated text as one sheet: valid UTF-8 (a byte-order mark allowed)
// without NUL bytes, as the program's own export writes it. Cells are separated by TAB when the
// text has any TAB, else by commas (double quotes then group a field, as
// spreadsheet applications write it). Every field, empty or not, is a cell,
// so a table exported with empty leading rows or columns reads back in place.
// Lines end with LF or CR LF; a line break at the very end ends the last line
// and starts no new one.
// Bytes that are not such text are no workbook the import knows.
ReadResult<SheetCells> read_text_sheet(const QByteArray &bytes);
