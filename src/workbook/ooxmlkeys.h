#pragma once

#include "workbook/readresult.h"

#include <QByteArray>
#include <functional>
#include <optional>

// Decrypts the bytes of EncryptedPackage after its size field: as many
// bytes as it is given, or nothing when they are not whole cipher blocks.
using PackageDecrypter = std::function<std::optional<QByteArray>(const QByteArray &)>;

// From EncryptionInfo past its version and flags, once the default password
// has been found to open it.
ReadResult<PackageDecrypter> standard_decrypter(const QByteArray &info);
ReadResult<PackageDecrypter> agile_decrypter(const QByteArray &info);

// How every EncryptionInfo that does not add up is refused.
Refusal encryption_info_refused(const QString &what);
