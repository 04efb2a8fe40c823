#include "workbook/biffcrypt.h"

#include "workbook/defaultpassword.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <memory>
#include <openssl/evp.h>
#include <openssl/provider.h>

namespace
{

constexpr int kBlockBytes = 1024;
constexpr quint16 kRrdHead = 0x0138;
constexpr quint16 kInterfaceHdr = 0x00E1;
constexpr quint16 kUsrExcl = 0x0194;
constexpr quint16 kFileLock = 0x0195;
constexpr quint16 kRrdInfo = 0x0196;

Refusal needs_password(const QString &why)
{
    return needs_password(RefusalKind::Biff, why);
}

// RC4 lives in OpenSSL 3's legacy provider, loaded into a library context of
// its own so that the program's other users of OpenSSL see no change.
class Rc4
{
public:
    Rc4()
    {
        context = OSSL_LIB_CTX_new();
        if (context)
            legacy = OSSL_PROVIDER_load(context, "legacy");
        if (legacy)
            cipher = EVP_CIPHER_fetch(context, "RC4", nullptr);
        state = EVP_CIPHER_CTX_new();
    }
    ~Rc4()
    {
        EVP_CIPHER_CTX_free(state);
        EVP_CIPHER_free(cipher);
        if (legacy)
            OSSL_PROVIDER_unload(legacy);
        OSSL_LIB_CTX_free(context);
    }
    Rc4(const Rc4 &) = delete;
    Rc4 &operator=(const Rc4 &) = delete;

    bool available() const
    {
        return cipher && state;
    }
    // Starts the key stream of a 16-byte key.
    bool start(const QByteArray &key)
    {
        return EVP_CIPHER_CTX_reset(state) == 1 &&
               EVP_EncryptInit_ex2(state, cipher,
                                   reinterpret_cast<const unsigned char *>(key.constData()),
                                   nullptr, nullptr) == 1;
    }
    // The next `size` bytes of the key stream XORed into `bytes`.
    bool apply(char *bytes, int size)
    {
        int written = 0;
        auto *data = reinterpret_cast<unsigned char *>(bytes);
        return EVP_EncryptUpdate(state, data, &written, data, size) == 1 && written == size;
    }

private:
    OSSL_LIB_CTX *context = nullptr;
    OSSL_PROVIDER *legacy = nullptr;
    EVP_CIPHER *cipher = nullptr;
    EVP_CIPHER_CTX *state = nullptr;
};

// How each 1024-byte block's key is made, and how the password is checked.
struct KeyScheme {
    QCryptographicHash::Algorithm hash = QCryptographicHash::Md5;
    QByteArray base; // what the block number is appended to before hashing
    int key_bytes = 16;
    QByteArray verifier;
    QByteArray verifier_hash;

    QByteArray block_key(quint32 block) const
    {
        QByteArray key = QCryptographicHash::hash(base + le32(block), hash).left(key_bytes);
        // A 40-bit CryptoAPI key is padded with zeros to 128 bits.
        key.append(QByteArray(16 - key.size(), 0));
        return key;
    }
};

// FILEPASS of RC4 (version 1.1): salt, verifier and its MD5 hash, 16 bytes each.
std::optional<KeyScheme> rc4_scheme(const QByteArray &body)
{
    if (body.size() < 54)
        return std::nullopt;
    const QByteArray salt = body.mid(6, 16);
    const QByteArray first =
        QCryptographicHash::hash(default_password_utf16(), QCryptographicHash::Md5).left(5);
    QByteArray buffer;
    for (int i = 0; i < 16; ++i)
        buffer += first + salt;
    KeyScheme scheme;
    scheme.base = QCryptographicHash::hash(buffer, QCryptographicHash::Md5).left(5);
    scheme.verifier = body.mid(22, 16);
    scheme.verifier_hash = body.mid(38, 16);
    return scheme;
}

// FILEPASS of RC4 CryptoAPI (versions 2-4 . 2): an encryption header of its
// declared size, then the salt, the verifier and its SHA-1 hash.
std::optional<KeyScheme> cryptoapi_scheme(const QByteArray &body)
{
    if (body.size() < 14)
        return std::nullopt;
    const quint32 header_size = qFromLittleEndian<quint32>(body.constData() + 10);
    if (header_size < 32 || header_size > quint32(body.size()))
        return std::nullopt;
    const qint64 at = 14 + qint64(header_size);
    if (at + 60 > body.size())
        return std::nullopt;
    const quint32 algorithm = qFromLittleEndian<quint32>(body.constData() + 14 + 8);
    quint32 key_bits = qFromLittleEndian<quint32>(body.constData() + 14 + 16);
    if (key_bits == 0)
        key_bits = 40;
    const quint32 salt_size = qFromLittleEndian<quint32>(body.constData() + at);
    const quint32 hash_size = qFromLittleEndian<quint32>(body.constData() + at + 36);
    // 0x6801 is RC4; a key of 40 to 128 bits in whole bytes.
    if ((algorithm != 0x6801 && algorithm != 0) || key_bits < 40 || key_bits > 128 ||
        key_bits % 8 != 0 || salt_size != 16 || hash_size != 20)
        return std::nullopt;
    KeyScheme scheme;
    scheme.hash = QCryptographicHash::Sha1;
    scheme.base = QCryptographicHash::hash(body.mid(int(at) + 4, 16) + default_password_utf16(),
                                           QCryptographicHash::Sha1);
    scheme.key_bytes = int(key_bits / 8);
    scheme.verifier = body.mid(int(at) + 20, 16);
    scheme.verifier_hash = body.mid(int(at) + 40, 20);
    return scheme;
}

bool stays_plain(quint16 type)
{
    return type == biff::kBof || type == biff::kFilePass || type == kUsrExcl || type == kFileLock ||
           type == kInterfaceHdr || type == kRrdInfo || type == kRrdHead;
}

// The key stream runs over the whole stream in blocks of 1024 bytes, each
// with a key of its own; record headers, a few records and the sheet
// offsets of BOUNDSHEET records are left plain but use up key stream.
class BlockDecrypter
{
public:
    BlockDecrypter(Rc4 &rc4, const KeyScheme &scheme) : cipher(rc4), keys(scheme) {}

    bool decrypt(char *stream, qint64 from, qint64 to)
    {
        for (qint64 at = from; at < to;) {
            const qint64 block = at / kBlockBytes;
            if (block != current) {
                current = block;
                if (!cipher.start(keys.block_key(quint32(block))))
                    return false;
                key_stream.fill(0, kBlockBytes);
                if (!cipher.apply(key_stream.data(), kBlockBytes))
                    return false;
            }
            const qint64 end = std::min(to, (block + 1) * kBlockBytes);
            for (; at < end; ++at)
                stream[at] = char(stream[at] ^ key_stream.at(int(at % kBlockBytes)));
        }
        return true;
    }

private:
    Rc4 &cipher;
    const KeyScheme &keys;
    qint64 current = -1;
    QByteArray key_stream;
};

} // namespace

std::optional<Refusal> decrypt_biff_stream(QByteArray *stream, const QVector<BiffRecord> &records,
                                           int filepass)
{
    const BiffRecord &record = records.at(filepass);
    const QByteArray body = stream->mid(record.body(), record.size);
    if (body.size() < 6)
        return needs_password(QStringLiteral("FILEPASS of %1 bytes").arg(body.size()));
    const quint16 kind = qFromLittleEndian<quint16>(body.constData());
    const quint16 major = qFromLittleEndian<quint16>(body.constData() + 2);
    if (kind != 1)
        return needs_password(QStringLiteral("XOR obfuscation, which is not read"));
    const std::optional<KeyScheme> scheme = major == 1   ? rc4_scheme(body)
                                            : major <= 4 ? cryptoapi_scheme(body)
                                                         : std::nullopt;
    if (!scheme)
        return needs_password(
            QStringLiteral("RC4 version %1 with a header that does not add up").arg(major));
    Rc4 rc4;
    if (!rc4.available())
        return Refusal{RefusalKind::Biff,
                       QStringLiteral("the workbook is encrypted with RC4, which OpenSSL's "
                                      "legacy provider did not make available")};
    QByteArray check = scheme->verifier + scheme->verifier_hash;
    if (!rc4.start(scheme->block_key(0)) || !rc4.apply(check.data(), check.size()))
        return needs_password(QStringLiteral("RC4 failed"));
    if (QCryptographicHash::hash(check.left(16), scheme->hash) != check.mid(16))
        return needs_password(QStringLiteral("not the default one"));

    BlockDecrypter decrypter(rc4, *scheme);
    char *data = stream->data();
    for (int i = filepass + 1; i < records.size(); ++i) {
        const BiffRecord &next = records.at(i);
        if (stays_plain(next.type))
            continue;
        const int skip = next.type == biff::kBoundSheet ? std::min<int>(4, next.size) : 0;
        if (!decrypter.decrypt(data, next.body() + skip, next.body() + next.size))
            return needs_password(QStringLiteral("RC4 failed"));
    }
    return std::nullopt;
}
