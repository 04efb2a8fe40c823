#pragma once

#include "workbook/biffrecords.h"

#include <optional>

// Decrypts, in place, a BIFF8 workbook stream that its FILEPASS record
// (records[filepass]) declares encrypted with RC4 or RC4 CryptoAPI under the
// password that the spreadsheet applications try without asking,
// "VelvetSweatshop". Nothing when the records after FILEPASS are now plain;
// refused with "encrypted with a password" when that password does not
// open the workbook, or when the encryption is of another kind.
std::optional<Refusal> decrypt_biff_stream(QByteArray *stream, const QVector<BiffRecord> &records,
                                           int filepass);
