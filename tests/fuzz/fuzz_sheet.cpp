// Feeds arbitrary bytes to the workbook readers' entry point, the one the
// import uses: every format is recognised from content, so one target reaches
// the ZIP/XML readers, the compound-file container, the BIFF record reader
// with its decryption, and the text reader.
#include "workbook/workbookreader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(kMaxWorkbookBytes))
        return 0;
    const WorkbookRead cells = read_workbook_bytes(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    if (cells) {
        const UsedRange range = cells->used_range();
        // Every cell found must lie inside the used range that was computed
        // from them.
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 5; ++column)
                if (const SheetCell *cell =
                        cells->find(range.first_row - 1 + row, range.first_column - 1 + column))
                    if (cell->row >= range.first_row - 1 + range.row_count)
                        __builtin_trap();
    }
    return 0;
}
