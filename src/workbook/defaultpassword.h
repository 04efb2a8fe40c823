#pragma once

#include "workbook/readresult.h"

#include <QByteArray>
#include <QCryptographicHash>

// "VelvetSweatshop" in UTF-16LE: the password the spreadsheet applications
// encrypt a workbook with when it is only protected against changes, and
// try without asking when they open one.
QByteArray default_password_utf16();

// The hash the Office Open XML encryptions derive their keys from: the hash
// of `salt` and the default password, hashed again `spins` times after the
// round's number (le32).
QByteArray iterated_password_hash(QCryptographicHash::Algorithm hash, const QByteArray &salt,
                                  quint32 spins);

// A block or iteration number as the key derivations hash it: four bytes,
// little-endian.
QByteArray le32(quint32 value);

// The refusal of a workbook that this password does not open, `why` saying
// what was met.
Refusal needs_password(RefusalKind kind, const QString &why);
