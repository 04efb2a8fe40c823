#pragma once

#include "workbook/sheetcells.h"

class ZipPackage;

// True when the archive is an OpenDocument spreadsheet (.ods).
bool is_ods_package(const ZipPackage &zip);

// Reads the cells of the document's first table. Repeated rows and columns
// are walked, never allocated: empty repeats only move the position, and
// repeated values count against the sheet's cell limit one by one.
ReadResult<SheetCells> read_ods_first_sheet(const ZipPackage &zip);
