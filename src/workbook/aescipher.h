#pragma once

#include <QByteArray>
#include <optional>

// AES decryption of whole 16-byte blocks without padding, through OpenSSL:
// ECB when `iv` is empty, else CBC from that 16-byte vector. Nothing when
// the key is not of 16, 24 or 32 bytes, the data is not whole blocks or
// OpenSSL fails.
std::optional<QByteArray> aes_decrypt(const QByteArray &key, const QByteArray &data,
                                      const QByteArray &iv = QByteArray());
