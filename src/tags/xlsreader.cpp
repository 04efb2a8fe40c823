#include "tags/xlsreader.h"

#include "tags/biffscan.h"
#include "tags/compoundfile.h"

#include <QDateTime>
#include <QTemporaryFile>
#include <freexl.h>

namespace
{

// FreeXL turns date cells into text; the serial number is recovered from it.
// Day 1 of the 1900 system is 1900-01-01 and the system counts a
// 29 February 1900 that never was, so dates after it sit one day further on.
std::optional<double> serial_from_date_text(const QString &text, bool system_1904)
{
    const QString day_text = text.left(10);
    const QString time_text = text.size() > 10 ? text.mid(11) : QString();
    double serial = 0;
    if (text.contains(QLatin1Char('-'))) {
        if (day_text == QLatin1String("1900-02-29") && !system_1904) {
            serial = 60;
        } else {
            const QDate day = QDate::fromString(day_text, Qt::ISODate);
            if (!day.isValid())
                return std::nullopt;
            if (system_1904)
                serial = QDate(1904, 1, 1).daysTo(day);
            else if (day < QDate(1900, 3, 1))
                serial = QDate(1899, 12, 31).daysTo(day);
            else
                serial = QDate(1899, 12, 30).daysTo(day);
        }
    }
    const QString clock = text.contains(QLatin1Char('-')) ? time_text : text;
    if (!clock.isEmpty()) {
        const QTime time = QTime::fromString(clock, QStringLiteral("hh:mm:ss"));
        if (!time.isValid())
            return std::nullopt;
        serial += time.msecsSinceStartOfDay() / 86400000.0;
    }
    return serial;
}

std::optional<QString> cell_text(const FreeXL_CellValue &cell, bool system_1904)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return sheet_number_text(double(cell.value.int_value));
    case FREEXL_CELL_DOUBLE:
        return sheet_number_text(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return QString::fromUtf8(cell.value.text_value);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
        const std::optional<double> serial =
            serial_from_date_text(QString::fromUtf8(cell.value.text_value), system_1904);
        return serial ? std::optional<QString>(sheet_number_text(*serial)) : std::nullopt;
    }
    default:
        return QString();
    }
}

class FreeXlHandle
{
public:
    ~FreeXlHandle()
    {
        if (handle)
            freexl_close(handle);
    }
    const void *handle = nullptr;
};

std::optional<SheetCells> read_with_freexl(const QString &path, const BiffScan &scan)
{
    FreeXlHandle xl;
    if (freexl_open(path.toLocal8Bit().constData(), &xl.handle) != FREEXL_OK)
        return std::nullopt;
    unsigned int info = 0;
    if (freexl_get_info(xl.handle, FREEXL_BIFF_PASSWORD, &info) != FREEXL_OK ||
        info == FREEXL_BIFF_OBFUSCATED)
        return std::nullopt;
    unsigned int date_mode = FREEXL_BIFF_DATEMODE_1900;
    freexl_get_info(xl.handle, FREEXL_BIFF_DATEMODE, &date_mode);
    if (freexl_select_active_worksheet(xl.handle, 0) != FREEXL_OK)
        return std::nullopt;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(xl.handle, &rows, &columns) != FREEXL_OK ||
        qint64(rows) * columns > kMaxSheetCells)
        return std::nullopt;

    SheetCells cells;
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(xl.handle, row, column, &cell) != FREEXL_OK)
                return std::nullopt;
            if (cell.type == FREEXL_CELL_NULL)
                continue;
            const std::optional<QString> text =
                cell_text(cell, date_mode == FREEXL_BIFF_DATEMODE_1904);
            if (!text || !cells.add(row, column, *text))
                return std::nullopt;
        }
    }
    // Added last, so they win over what the library made of the same cells.
    for (const SheetCell &exact : scan.exact_cells)
        if (!cells.add(exact.row, exact.column, exact.text))
            return std::nullopt;
    cells.finish();
    return cells;
}

} // namespace

std::optional<SheetCells> read_xls_first_sheet(const QByteArray &bytes)
{
    const std::optional<QByteArray> stream =
        read_compound_stream(bytes, {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (!stream)
        return std::nullopt;
    const std::optional<BiffScan> scan = scan_biff_workbook(*stream);
    if (!scan)
        return std::nullopt;
    // FreeXL reads from a file name only.
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return std::nullopt;
    return read_with_freexl(file.fileName(), *scan);
}
