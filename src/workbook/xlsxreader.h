#pragma once

#include "workbook/sheetcells.h"

class ZipPackage;

// True when the archive is an Office Open XML package (.xlsx).
bool is_xlsx_package(const ZipPackage &zip);

// Reads the cells of the workbook's first sheet: shared strings (rich-text
// runs joined, phonetic hints left out), inline strings, numbers, booleans,
// errors and the cached values of formulas. Refused when any part the sheet
// needs is missing or malformed.
ReadResult<SheetCells> read_xlsx_first_sheet(const ZipPackage &zip);
