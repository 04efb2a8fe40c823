#include "tags/zippackage.h"

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

bool ZipPackage::has_entry(const QString &name) const
{
    return opened && zip->setCurrentFile(name, QuaZip::csSensitive);
}

std::optional<QByteArray> ZipPackage::read_entry(const QString &name) const
{
    if (!has_entry(name))
        return std::nullopt;
    QuaZipFile file(zip.get());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray out;
    char chunk[64 * 1024];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            file.close();
            return std::nullopt;
        }
        if (n == 0)
            break;
        if (out.size() + n > kMaxZipEntryBytes) {
            file.close();
            return std::nullopt;
        }
        out.append(chunk, int(n));
    }
    // Closing checks the CRC of what was inflated.
    file.close();
    if (file.getZipError() != UNZ_OK)
        return std::nullopt;
    return out;
}
