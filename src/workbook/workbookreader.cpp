#include "workbook/workbookreader.h"

#include "workbook/biffrecords.h"
#include "workbook/compoundfile.h"
#include "workbook/odsreader.h"
#include "workbook/ooxmlcrypt.h"
#include "workbook/textsheetreader.h"
#include "workbook/xlsreader.h"
#include "workbook/xlsxreader.h"
#include "workbook/zippackage.h"

#include <QFile>

namespace
{

bool is_zip(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayLiteral("PK\x03\x04"));
}

Refusal too_large()
{
    return Refusal{RefusalKind::TooLarge,
                   QStringLiteral("file larger than the %1 bytes accepted").arg(kMaxWorkbookBytes)};
}

WorkbookRead read_zip_workbook(const QByteArray &bytes)
{
    const ZipPackage zip(bytes);
    if (!zip.is_open())
        return Refusal{RefusalKind::BrokenArchive,
                       QStringLiteral("starts like a ZIP archive but its directory "
                                      "cannot be read")};
    if (is_ods_package(zip))
        return read_ods_first_sheet(zip);
    if (is_xlsx_package(zip))
        return read_xlsx_first_sheet(zip);
    return Refusal{RefusalKind::NotAWorkbook,
                   QStringLiteral("ZIP archive that is neither an OpenDocument spreadsheet "
                                  "nor an Office Open XML workbook")};
}

} // namespace

WorkbookRead read_workbook_bytes(const QByteArray &bytes)
{
    if (bytes.size() > kMaxWorkbookBytes)
        return too_large();
    if (is_zip(bytes))
        return read_zip_workbook(bytes);
    if (is_encrypted_ooxml(bytes)) {
        const ReadResult<QByteArray> package = decrypt_ooxml_package(bytes);
        if (!package)
            return package.refusal();
        // Decrypted, the package is smaller than the file it came from, so
        // the bounds of any ZIP archive hold for it.
        if (!is_zip(*package))
            return Refusal{RefusalKind::BrokenArchive,
                           QStringLiteral("the decrypted package is no ZIP archive")};
        return read_zip_workbook(*package);
    }
    if (is_compound_file(bytes) || is_biff_stream(bytes))
        return read_xls_first_sheet(bytes);
    return read_text_sheet(bytes);
}

WorkbookRead read_workbook_file(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Refusal{RefusalKind::Unreadable,
                       QStringLiteral("cannot open: %1").arg(file.errorString())};
    if (file.size() > kMaxWorkbookBytes)
        return too_large();
    // Read one byte past the limit: a file that grows while being read is
    // still refused.
    const QByteArray bytes = file.read(kMaxWorkbookBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Refusal{RefusalKind::Unreadable,
                       QStringLiteral("cannot read: %1").arg(file.errorString())};
    return read_workbook_bytes(bytes);
}
