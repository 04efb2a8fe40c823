#pragma once

#include "workbook/sheetcells.h"

#include <QByteArray>

// Reads the cells of the first worksheet of a BIFF5 (Excel 5.0/95) or BIFF8
// (Excel 97-2003) workbook stream, record by record: every value comes from
// what the record stores (a date is its serial day number, a formula its
// cached result). The sheet is found through its BOUNDSHEET record; charts
// and other sub-streams embedded in it are passed over, and DIMENSIONS is
// only checked against the sheet bounds, never trusted for where cells are.
// A stream encrypted under the default password is decrypted first.
// Refused when the stream is not a BIFF5/BIFF8 workbook, needs a real
// password, has a record longer than BIFF allows, or declares a sheet beyond
// the bounds; cells that do not add up are left out and noted.
ReadResult<SheetCells> read_biff_first_sheet(QByteArray stream);
