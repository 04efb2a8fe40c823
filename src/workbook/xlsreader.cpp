#include "workbook/xlsreader.h"

#include "workbook/biffrecords.h"
#include "workbook/biffscan.h"
#include "workbook/compoundfile.h"

ReadResult<SheetCells> read_xls_first_sheet(const QByteArray &bytes)
{
    if (!is_compound_file(bytes) && is_biff_stream(bytes))
        return read_biff_first_sheet(bytes);
    bool cut_short = false;
    // Some writers name the workbook stream otherwise; the applications
    // open a file whose one stream it is.
    ReadResult<QByteArray> stream = read_compound_stream(
        bytes, {QStringLiteral("Workbook"), QStringLiteral("Book")}, &cut_short, true);
    if (!stream)
        return stream.refusal();
    ReadResult<SheetCells> cells = read_biff_first_sheet(std::move(*stream));
    if (cells && cut_short)
        cells->note_oddity(QStringLiteral("compound file cut short, workbook read as far as "
                                          "it goes"),
                           QStringLiteral("%1 bytes present").arg(bytes.size()));
    return cells;
}
