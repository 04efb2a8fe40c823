#include "workbook/aescipher.h"
#include "workbook/defaultpassword.h"
#include "workbook/ooxmlkeys.h"
#include "workbook/xmlsafety.h"

#include <QCryptographicHash>
#include <QHash>
#include <QtEndian>

namespace
{

constexpr int kSegmentBytes = 4096;
constexpr int kAesBlock = 16;
// The format's own limit on the password hash's iterations.
constexpr qint64 kMaxSpinCount = 10'000'000;

const QString kEncryption = QStringLiteral("http://schemas.microsoft.com/office/2006/encryption");
const QString kPasswordKey =
    QStringLiteral("http://schemas.microsoft.com/office/2006/keyEncryptor/password");

const QByteArray kVerifierInputBlock = QByteArray::fromHex("fea7d2763b4b9e79");
const QByteArray kVerifierValueBlock = QByteArray::fromHex("d7aa0f6d3061344e");
const QByteArray kKeyValueBlock = QByteArray::fromHex("146e0be7abacd0d6");

// The attributes of <keyData> or of the password's <p:encryptedKey>.
struct KeyParameters {
    QHash<QString, QString> attributes;

    QString text(const char *name) const
    {
        return attributes.value(QLatin1String(name));
    }
    QByteArray bytes(const char *name) const
    {
        return QByteArray::fromBase64(text(name).toLatin1());
    }
    qint64 number(const char *name) const
    {
        bool ok = false;
        const qint64 value = text(name).toLongLong(&ok);
        return ok ? value : -1;
    }
    std::optional<QCryptographicHash::Algorithm> hash() const
    {
        const QString name = text("hashAlgorithm");
        if (name == QLatin1String("SHA1"))
            return QCryptographicHash::Sha1;
        if (name == QLatin1String("SHA256"))
            return QCryptographicHash::Sha256;
        if (name == QLatin1String("SHA384"))
            return QCryptographicHash::Sha384;
        if (name == QLatin1String("SHA512"))
            return QCryptographicHash::Sha512;
        return std::nullopt;
    }
    // AES in CBC mode of a key size it has, else the reason it is not read.
    QString unread_cipher() const
    {
        const qint64 bits = number("keyBits");
        if (text("cipherAlgorithm") != QLatin1String("AES") ||
            text("cipherChaining") != QLatin1String("ChainingModeCBC") ||
            number("blockSize") != kAesBlock || (bits != 128 && bits != 192 && bits != 256))
            return QStringLiteral("cipher %1 %2 of %3 bits, which is not read")
                .arg(text("cipherAlgorithm").left(20), text("cipherChaining").left(30),
                     text("keyBits").left(10));
        if (!hash())
            return QStringLiteral("hash %1, which is not read").arg(text("hashAlgorithm").left(20));
        return QString();
    }
};

KeyParameters parameters_of(const QXmlStreamReader &xml)
{
    KeyParameters out;
    for (const QXmlStreamAttribute &attribute : xml.attributes())
        out.attributes.insert(attribute.name().toString(), attribute.value().toString());
    return out;
}

// A salt or hash cut or padded to one cipher block, as the initial vector.
QByteArray block_sized(QByteArray bytes)
{
    if (bytes.size() < kAesBlock)
        bytes.append(QByteArray(kAesBlock - bytes.size(), 0x36));
    return bytes.left(kAesBlock);
}

class PasswordKey
{
public:
    PasswordKey(const KeyParameters &key, QCryptographicHash::Algorithm algorithm)
        : hash(algorithm), key_bytes(int(key.number("keyBits") / 8))
    {
        iterated =
            iterated_password_hash(hash, key.bytes("saltValue"), quint32(key.number("spinCount")));
    }

    // The key for one of the values the password encrypts.
    QByteArray derived(const QByteArray &block) const
    {
        QByteArray key = QCryptographicHash::hash(iterated + block, hash).left(key_bytes);
        key.append(QByteArray(key_bytes - key.size(), 0x36));
        return key;
    }

private:
    QCryptographicHash::Algorithm hash;
    int key_bytes;
    QByteArray iterated;
};

ReadResult<QByteArray> secret_key(const KeyParameters &data, const KeyParameters &password)
{
    for (const KeyParameters *key : {&data, &password}) {
        const QString unread = key->unread_cipher();
        if (!unread.isEmpty())
            return needs_password(RefusalKind::BrokenArchive, unread);
    }
    const qint64 spins = password.number("spinCount");
    if (spins < 0 || spins > kMaxSpinCount)
        return encryption_info_refused(
            QStringLiteral("spinCount \"%1\"").arg(password.text("spinCount").left(20)));
    const QCryptographicHash::Algorithm hash = *password.hash();
    const PasswordKey key(password, hash);
    const QByteArray salt = password.bytes("saltValue");
    const QByteArray iv = block_sized(salt);
    const std::optional<QByteArray> input = aes_decrypt(
        key.derived(kVerifierInputBlock), password.bytes("encryptedVerifierHashInput"), iv);
    const std::optional<QByteArray> value = aes_decrypt(
        key.derived(kVerifierValueBlock), password.bytes("encryptedVerifierHashValue"), iv);
    const int hash_size = QCryptographicHash::hashLength(hash);
    if (!input || !value || value->size() < hash_size ||
        QCryptographicHash::hash(input->left(salt.size()), hash) != value->left(hash_size))
        return needs_password(RefusalKind::BrokenArchive, QStringLiteral("not the default one"));
    const std::optional<QByteArray> secret =
        aes_decrypt(key.derived(kKeyValueBlock), password.bytes("encryptedKeyValue"), iv);
    const int secret_bytes = int(data.number("keyBits") / 8);
    if (!secret || secret->size() < secret_bytes)
        return encryption_info_refused(QStringLiteral("encryptedKeyValue does not add up"));
    return secret->left(secret_bytes);
}

} // namespace

// The dataIntegrity HMAC is not checked: a package changed or damaged after
// it was encrypted still fails the ZIP archive's own checksums, and its
// parts their XML and cell bounds.
ReadResult<PackageDecrypter> agile_decrypter(const QByteArray &info)
{
    std::optional<KeyParameters> data;
    std::optional<KeyParameters> password;
    QXmlStreamReader xml(info);
    while (!xml.atEnd()) {
        if (read_next_safely(xml) != QXmlStreamReader::StartElement)
            continue;
        if (xml.namespaceUri() == kEncryption && xml.name() == QLatin1String("keyData") && !data)
            data = parameters_of(xml);
        else if (xml.namespaceUri() == kPasswordKey &&
                 xml.name() == QLatin1String("encryptedKey") && !password)
            password = parameters_of(xml);
    }
    if (xml.hasError())
        return xml_refusal(xml, QStringLiteral("EncryptionInfo"));
    if (!data)
        return encryption_info_refused(QStringLiteral("agile description without keyData"));
    if (!password)
        return needs_password(RefusalKind::BrokenArchive,
                              QStringLiteral("a certificate's key only, which is not read"));
    const ReadResult<QByteArray> secret = secret_key(*data, *password);
    if (!secret)
        return secret.refusal();

    const QByteArray salt = data->bytes("saltValue");
    const QCryptographicHash::Algorithm hash = *data->hash();
    const QByteArray key = *secret;
    // Each segment of 4096 bytes is chained on its own, from a vector made
    // of the key's salt and the segment's number.
    return PackageDecrypter(
        [key, salt, hash](const QByteArray &bytes) -> std::optional<QByteArray> {
            QByteArray out;
            out.reserve(bytes.size());
            for (int at = 0, segment = 0; at < bytes.size(); at += kSegmentBytes, ++segment) {
                const QByteArray iv =
                    block_sized(QCryptographicHash::hash(salt + le32(quint32(segment)), hash));
                const std::optional<QByteArray> plain =
                    aes_decrypt(key, bytes.mid(at, kSegmentBytes), iv);
                if (!plain)
                    return std::nullopt;
                out += *plain;
            }
            return out;
        });
}
