#include "workbook/zippackage.h"

#include <quazip.h>
#include <quazipfile.h>

ZipPackage::ZipPackage(const QByteArray &bytes) : data(bytes)
{
    buffer.setBuffer(&data);
    zip = std::make_unique<QuaZip>(&buffer);
    opened = zip->open(QuaZip::mdUnzip);
}

ZipPackage::~ZipPackage()
{
    if (opened)
        zip->close();
}

// Part names are case-insensitive in Office packages: a relationship may
// name xl/workbook.xml for an entry stored as xl/Workbook.xml. The exact
// name is tried first, so that of two entries differing only in case the
// one named wins.
bool ZipPackage::has_entry(const QString &name) const
{
    return opened && (zip->setCurrentFile(name, QuaZip::csSensitive) ||
                      zip->setCurrentFile(name, QuaZip::csInsensitive));
}

ReadResult<QByteArray> ZipPackage::read_entry(const QString &name) const
{
    if (!has_entry(name))
        return Refusal{RefusalKind::Malformed, QStringLiteral("part %1 is missing").arg(name)};
    QuaZipFile file(zip.get());
    if (!file.open(QIODevice::ReadOnly))
        return Refusal{RefusalKind::BrokenArchive,
                       QStringLiteral("part %1 cannot be opened (damaged or encrypted, "
                                      "ZIP error %2)")
                           .arg(name, QString::number(file.getZipError()))};
    QByteArray out;
    char chunk[64 * 1024];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            file.close();
            return Refusal{
                RefusalKind::BrokenArchive,
                QStringLiteral("part %1 cannot be inflated: its data is damaged").arg(name)};
        }
        if (n == 0)
            break;
        if (out.size() + n > kMaxZipEntryBytes) {
            file.close();
            return Refusal{RefusalKind::TooLarge,
                           QStringLiteral("part %1 inflates past the %2 bytes accepted")
                               .arg(name, QString::number(kMaxZipEntryBytes))};
        }
        out.append(chunk, int(n));
    }
    // Closing checks the CRC of what was inflated.
    file.close();
    if (file.getZipError() != UNZ_OK)
        return Refusal{RefusalKind::BrokenArchive,
                       QStringLiteral("part %1 fails its checksum (ZIP error %2)")
                           .arg(name, QString::number(file.getZipError()))};
    return out;
}
