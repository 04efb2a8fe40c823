#pragma once

#include "workbook/sheetcells.h"

#include <QByteArray>

// Reads the first worksheet of a BIFF5/BIFF8 workbook (.xls) with FreeXL,
// after checking the container and its records so that the library never
// sees a declared size larger than the file can back. Dates come back as
// their serial day numbers, as every other format gives them.
ReadResult<SheetCells> read_xls_first_sheet(const QByteArray &bytes);
