#include "workbook/xlsreader.h"

#include "workbook/biffscan.h"
#include "workbook/compoundfile.h"

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
                serial = kSerialDayZero.daysTo(day);
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

ReadResult<QString> cell_text(const FreeXL_CellValue &cell, bool system_1904)
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
        const QString text = QString::fromUtf8(cell.value.text_value);
        const std::optional<double> serial = serial_from_date_text(text, system_1904);
        if (!serial)
            return Refusal{
                RefusalKind::FreeXl,
                QStringLiteral("FreeXL gave the date \"%1\", which is no date").arg(text.left(40))};
        return sheet_number_text(*serial);
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

Refusal freexl_failed(const char *call, int code)
{
    return Refusal{RefusalKind::FreeXl, QStringLiteral("%1 failed with FreeXL error %2")
                                            .arg(QLatin1String(call), QString::number(code))};
}

ReadResult<SheetCells> read_with_freexl(const QString &path, const BiffScan &scan)
{
    FreeXlHandle xl;
    if (const int code = freexl_open(path.toLocal8Bit().constData(), &xl.handle); code != FREEXL_OK)
        return freexl_failed("freexl_open", code);
    // FreeXL 1.0.6 answers some damaged workbooks with success and no handle.
    if (!xl.handle)
        return Refusal{RefusalKind::FreeXl,
                       QStringLiteral("freexl_open reported success but gave no workbook")};
    unsigned int info = 0;
    if (const int code = freexl_get_info(xl.handle, FREEXL_BIFF_PASSWORD, &info); code != FREEXL_OK)
        return freexl_failed("freexl_get_info", code);
    if (info == FREEXL_BIFF_OBFUSCATED)
        return Refusal{RefusalKind::FreeXl,
                       QStringLiteral("FreeXL reports the workbook as password-protected")};
    unsigned int date_mode = FREEXL_BIFF_DATEMODE_1900;
    freexl_get_info(xl.handle, FREEXL_BIFF_DATEMODE, &date_mode);
    if (const int code = freexl_select_active_worksheet(xl.handle, 0); code != FREEXL_OK)
        return freexl_failed("freexl_select_active_worksheet", code);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (const int code = freexl_worksheet_dimensions(xl.handle, &rows, &columns); code != FREEXL_OK)
        return freexl_failed("freexl_worksheet_dimensions", code);
    if (qint64(rows) * columns > kMaxSheetCells)
        return Refusal{RefusalKind::TooManyCells,
                       QStringLiteral("first sheet of %1 rows and %2 columns, more than %3 cells")
                           .arg(QString::number(rows), QString::number(columns),
                                QString::number(kMaxSheetCells))};

    SheetCells cells;
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue cell;
            if (const int code = freexl_get_cell_value(xl.handle, row, column, &cell);
                code != FREEXL_OK)
                return freexl_failed("freexl_get_cell_value", code);
            if (cell.type == FREEXL_CELL_NULL)
                continue;
            const ReadResult<QString> text =
                cell_text(cell, date_mode == FREEXL_BIFF_DATEMODE_1904);
            if (!text)
                return text.refusal();
            if (std::optional<Refusal> refused = cells.add(row, column, *text))
                return *refused;
        }
    }
    // Added last, so they win over what the library made of the same cells.
    for (const SheetCell &exact : scan.exact_cells)
        if (std::optional<Refusal> refused = cells.add(exact.row, exact.column, exact.text))
            return *refused;
    cells.finish();
    return cells;
}

} // namespace

ReadResult<SheetCells> read_xls_first_sheet(const QByteArray &bytes)
{
    const ReadResult<QByteArray> stream =
        read_compound_stream(bytes, {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (!stream)
        return stream.refusal();
    const ReadResult<BiffScan> scan = scan_biff_workbook(*stream);
    if (!scan)
        return scan.refusal();
    // FreeXL reads from a file name only.
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return Refusal{RefusalKind::FreeXl,
                       QStringLiteral("cannot write the temporary copy FreeXL reads: %1")
                           .arg(file.errorString())};
    return read_with_freexl(file.fileName(), *scan);
}
