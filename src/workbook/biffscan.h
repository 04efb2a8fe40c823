#pragma once

#include "workbook/sheetcells.h"

#include <QByteArray>
#include <QVector>

// What a walk over a BIFF workbook stream learns before the stream is handed
// to FreeXL: that every record fits, that no declared size would make the
// library allocate more than a sheet may hold, and the cell values that the
// library reports without their kind (booleans come back from it as 1 and 0,
// formula results not at all).
struct BiffScan {
    int version = 8; // 5 or 8
    // Cells of the first sheet whose text replaces what FreeXL reports.
    QVector<SheetCell> exact_cells;
};

// Refused when the stream is not a BIFF5/BIFF8 workbook, is encrypted, has a
// record running past its end, or declares a sheet dimension or string count
// beyond what its bytes can hold or a sheet may have.
ReadResult<BiffScan> scan_biff_workbook(const QByteArray &stream);
