#pragma once

#include "workbook/sheetcells.h"

#include <QByteArray>

// Reads the first worksheet of a BIFF5/BIFF8 workbook (.xls): the "Workbook"
// or "Book" stream of a compound file, or such a stream stored on its own.
// Dates come back as their serial day numbers, as every other format gives
// them.
ReadResult<SheetCells> read_xls_first_sheet(const QByteArray &bytes);
