#include "workbook/defaultpassword.h"

#include <QtEndian>
#include <memory>
#include <openssl/evp.h>

QByteArray default_password_utf16()
{
    const QString password = QStringLiteral("VelvetSweatshop");
    QByteArray out;
    for (QChar c : password) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

Refusal needs_password(RefusalKind kind, const QString &why)
{
    return Refusal{kind, QStringLiteral("the workbook is encrypted with a password (%1)").arg(why)};
}

QByteArray le32(quint32 value)
{
    QByteArray out(4, 0);
    qToLittleEndian<quint32>(value, out.data());
    return out;
}

// Through OpenSSL, with the digest fetched once and one context for every
// round: Excel asks for 100 000 rounds (50 000 in standard encryption),
// which Qt's hash (or a digest fetched again each round) takes over twice
// as long for.
QByteArray iterated_password_hash(QCryptographicHash::Algorithm hash, const QByteArray &salt,
                                  quint32 spins)
{
    QByteArray iterated = QCryptographicHash::hash(salt + default_password_utf16(), hash);
    const char *name = hash == QCryptographicHash::Sha1     ? "SHA1"
                       : hash == QCryptographicHash::Sha256 ? "SHA256"
                       : hash == QCryptographicHash::Sha384 ? "SHA384"
                                                            : "SHA512";
    const std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> digest(
        EVP_MD_fetch(nullptr, name, nullptr), &EVP_MD_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> state(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
    if (!digest || !state) {
        // A key that opens nothing: the verifier then fails.
        iterated.fill(0);
        return iterated;
    }
    auto *round = reinterpret_cast<unsigned char *>(iterated.data());
    unsigned int size = 0;
    for (quint32 i = 0; i < spins; ++i) {
        unsigned char counter[4];
        qToLittleEndian<quint32>(i, counter);
        if (EVP_DigestInit_ex(state.get(), digest.get(), nullptr) != 1 ||
            EVP_DigestUpdate(state.get(), counter, sizeof counter) != 1 ||
            EVP_DigestUpdate(state.get(), round, size_t(iterated.size())) != 1 ||
            EVP_DigestFinal_ex(state.get(), round, &size) != 1) {
            iterated.fill(0);
            return iterated;
        }
    }
    return iterated;
}
