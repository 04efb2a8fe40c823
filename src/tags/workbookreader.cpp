#include "tags/workbookreader.h"

#include "tags/compoundfile.h"
#include "tags/odsreader.h"
#include "tags/textsheetreader.h"
#include "tags/xlsreader.h"
#include "tags/xlsxreader.h"
#include "tags/zippackage.h"

#include <QFile>

namespace
{

bool is_zip(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayLiteral("PK\x03\x04"));
}

} // namespace

std::optional<SheetCells> read_workbook_bytes(const QByteArray &bytes)
{
    if (bytes.size() > kMaxWorkbookBytes)
        return std::nullopt;
    if (is_zip(bytes)) {
        const ZipPackage zip(bytes);
        if (!zip.is_open())
            return std::nullopt;
        if (is_ods_package(zip))
            return read_ods_first_sheet(zip);
        if (is_xlsx_package(zip))
            return read_xlsx_first_sheet(zip);
        return std::nullopt;
    }
    if (is_compound_file(bytes))
        return read_xls_first_sheet(bytes);
    return read_text_sheet(bytes);
}

std::optional<SheetCells> read_workbook_file(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxWorkbookBytes)
        return std::nullopt;
    // Read one byte past the limit: a file that grows while being read is
    // still refused.
    const QByteArray bytes = file.read(kMaxWorkbookBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return read_workbook_bytes(bytes);
}
