#pragma once

#include "workbook/readresult.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <memory>

class QuaZip;

// Read-only access to the entries of a ZIP archive held in memory, as the
// workbook formats of .xlsx and .ods use it. No entry is ever inflated past
// kMaxZipEntryBytes, whatever its header declares.
class ZipPackage
{
public:
    static constexpr qint64 kMaxZipEntryBytes = 64 * 1024 * 1024;

    explicit ZipPackage(const QByteArray &bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    // False when the bytes are not a readable ZIP archive.
    bool is_open() const
    {
        return opened;
    }

    // Names compare exactly, else regardless of letter case.
    bool has_entry(const QString &name) const;

    // The entry's inflated bytes; refused when it is missing, damaged (its
    // checksum does not match), encrypted or larger than kMaxZipEntryBytes.
    ReadResult<QByteArray> read_entry(const QString &name) const;

private:
    QByteArray data;
    QBuffer buffer;
    std::unique_ptr<QuaZip> zip;
    bool opened = false;
};
