#pragma once

#include "tags/sheetcells.h"

#include <optional>

class ZipPackage;

// True when the archive is an Office Open XML package (.xlsx).
bool is_xlsx_package(const ZipPackage &zip);

// Reads the cells of the workbook's first sheet: shared strings (rich-text
// runs joined, phonetic hints left out), inline strings, numbers, booleans,
// errors and the cached values of formulas. Nothing when any part the sheet
// needs is missing or malformed.
std::optional<SheetCells> read_xlsx_first_sheet(const ZipPackage &zip);
