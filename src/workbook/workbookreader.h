#pragma once

#include "workbook/readresult.h"
#include "workbook/sheetcells.h"

#include <QByteArray>
#include <QString>

// Larger files are refused before they are read.
constexpr qint64 kMaxWorkbookBytes = 64 * 1024 * 1024;

using WorkbookRead = ReadResult<SheetCells>;

// The cells of the first worksheet of a workbook, whatever its name says:
// .xlsx and .ods are recognised as ZIP packages by what they contain, .xls by
// its compound-file signature, and anything else that is UTF-8 text as
// TAB- or comma-separated text. A refusal with its reason for a file that is
// none of these or is damaged.
WorkbookRead read_workbook_bytes(const QByteArray &bytes);

// The same for a file; also refused when it cannot be read or is too large.
WorkbookRead read_workbook_file(const QString &path);
