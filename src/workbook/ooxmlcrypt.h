#pragma once

#include "workbook/readresult.h"

#include <QByteArray>

// True when the bytes are a compound file holding an encrypted Office Open
// XML package (the streams EncryptionInfo and EncryptedPackage).
bool is_encrypted_ooxml(const QByteArray &bytes);

// The package decrypted with the password the spreadsheet applications try
// without asking, for standard (AES-ECB) or agile (AES-CBC) encryption. The
// package's declared size is checked against the bytes the stream holds
// before anything is made of it. Refused with "encrypted with a password"
// when that password does not open it, or the encryption is of a kind not
// read; refused when the encryption description does not add up.
ReadResult<QByteArray> decrypt_ooxml_package(const QByteArray &bytes);
