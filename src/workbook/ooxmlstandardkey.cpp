#include "workbook/aescipher.h"
#include "workbook/defaultpassword.h"
#include "workbook/ooxmlkeys.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace
{

constexpr int kIterations = 50000;
constexpr quint32 kFlagAes = 0x20;
constexpr int kVerifierAt = 4; // the verifier follows the header, its size first

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// The key of block 0, derived from the password as CryptoAPI's
// CryptDeriveKey does with SHA-1.
QByteArray derived_key(const QByteArray &salt, int key_bytes)
{
    QByteArray hash = iterated_password_hash(QCryptographicHash::Sha1, salt, kIterations);
    hash = sha1(hash + le32(0));
    QByteArray inner(64, 0x36);
    QByteArray outer(64, 0x5C);
    for (int i = 0; i < hash.size(); ++i) {
        inner[i] = char(inner.at(i) ^ hash.at(i));
        outer[i] = char(outer.at(i) ^ hash.at(i));
    }
    return (sha1(inner) + sha1(outer)).left(key_bytes);
}

} // namespace

ReadResult<PackageDecrypter> standard_decrypter(const QByteArray &info)
{
    if (info.size() < 4 + 32)
        return encryption_info_refused(QStringLiteral("standard header cut short"));
    const quint32 header_size = qFromLittleEndian<quint32>(info.constData());
    if (header_size < 32 || header_size > quint32(info.size() - 4))
        return encryption_info_refused(
            QStringLiteral("standard header of %1 bytes in %2").arg(header_size).arg(info.size()));
    const char *header = info.constData() + 4;
    const quint32 flags = qFromLittleEndian<quint32>(header);
    const quint32 algorithm = qFromLittleEndian<quint32>(header + 8);
    const quint32 key_bits = qFromLittleEndian<quint32>(header + 16);
    // 0x660E to 0x6610 are AES-128 to AES-256; 0x6801 would be RC4.
    const bool aes =
        (flags & kFlagAes) != 0 && (algorithm == 0 || (algorithm >= 0x660E && algorithm <= 0x6610));
    if (!aes || (key_bits != 128 && key_bits != 192 && key_bits != 256))
        return needs_password(RefusalKind::BrokenArchive,
                              QStringLiteral("standard encryption with algorithm 0x%1 of %2 "
                                             "bits, which is not read")
                                  .arg(algorithm, 4, 16, QLatin1Char('0'))
                                  .arg(key_bits));

    const QByteArray verifier = info.mid(4 + int(header_size));
    if (verifier.size() < kVerifierAt + 16 + 16 + 4 + 32 ||
        qFromLittleEndian<quint32>(verifier.constData()) != 16 ||
        qFromLittleEndian<quint32>(verifier.constData() + kVerifierAt + 32) != 20)
        return encryption_info_refused(QStringLiteral("standard verifier does not add up"));
    const QByteArray key = derived_key(verifier.mid(kVerifierAt, 16), int(key_bits / 8));
    const std::optional<QByteArray> plain = aes_decrypt(key, verifier.mid(kVerifierAt + 16, 16));
    const std::optional<QByteArray> hash = aes_decrypt(key, verifier.mid(kVerifierAt + 36, 32));
    if (!plain || !hash || sha1(*plain) != hash->left(20))
        return needs_password(RefusalKind::BrokenArchive, QStringLiteral("not the default one"));
    return PackageDecrypter([key](const QByteArray &data) { return aes_decrypt(key, data); });
}
