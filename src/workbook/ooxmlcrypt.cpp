#include "workbook/ooxmlcrypt.h"

#include "workbook/compoundfile.h"
#include "workbook/defaultpassword.h"
#include "workbook/ooxmlkeys.h"

#include <QtEndian>
#include <algorithm>

namespace
{

const QString kInfoStream = QStringLiteral("EncryptionInfo");
const QString kPackageStream = QStringLiteral("EncryptedPackage");
constexpr int kSizeField = 8;

// Versions 3.2 and 4.2 (and 2.2) with fCryptoAPI set: standard encryption;
// 4.4 with fAgile: agile encryption; 3.3 and 4.3: extensible encryption.
enum class Scheme { Standard, Agile, Extensible, Unknown };

Scheme scheme_of(quint16 major, quint16 minor, quint32 flags)
{
    if (major >= 2 && major <= 4 && minor == 2 && (flags & 0x04) != 0)
        return Scheme::Standard;
    if (major == 4 && minor == 4 && flags == 0x40)
        return Scheme::Agile;
    if ((major == 3 || major == 4) && minor == 3)
        return Scheme::Extensible;
    return Scheme::Unknown;
}

} // namespace

Refusal encryption_info_refused(const QString &what)
{
    return Refusal{RefusalKind::Malformed, QStringLiteral("%1: %2").arg(kInfoStream, what)};
}

bool is_encrypted_ooxml(const QByteArray &bytes)
{
    return is_compound_file(bytes) && read_compound_stream(bytes, {kInfoStream}) &&
           read_compound_stream(bytes, {kPackageStream});
}

ReadResult<QByteArray> decrypt_ooxml_package(const QByteArray &bytes)
{
    const ReadResult<QByteArray> info = read_compound_stream(bytes, {kInfoStream});
    if (!info)
        return info.refusal();
    const ReadResult<QByteArray> package = read_compound_stream(bytes, {kPackageStream});
    if (!package)
        return package.refusal();
    if (info->size() < 8)
        return encryption_info_refused(QStringLiteral("%1 bytes").arg(info->size()));
    const quint16 major = qFromLittleEndian<quint16>(info->constData());
    const quint16 minor = qFromLittleEndian<quint16>(info->constData() + 2);
    const quint32 flags = qFromLittleEndian<quint32>(info->constData() + 4);
    ReadResult<PackageDecrypter> decrypter = Refusal{};
    switch (scheme_of(major, minor, flags)) {
    case Scheme::Standard:
        decrypter = standard_decrypter(info->mid(8));
        break;
    case Scheme::Agile:
        decrypter = agile_decrypter(info->mid(8));
        break;
    case Scheme::Extensible:
        return needs_password(RefusalKind::BrokenArchive,
                              QStringLiteral("extensible encryption, which is not read"));
    case Scheme::Unknown:
        return encryption_info_refused(QStringLiteral("version %1.%2 with flags 0x%3")
                                           .arg(major)
                                           .arg(minor)
                                           .arg(flags, 0, 16));
    }
    if (!decrypter)
        return decrypter.refusal();

    // The declared size is only ever compared with what the stream holds.
    if (package->size() < kSizeField)
        return Refusal{RefusalKind::BrokenArchive,
                       QStringLiteral("%1 of %2 bytes").arg(kPackageStream).arg(package->size())};
    const quint64 declared = qFromLittleEndian<quint64>(package->constData());
    const qint64 held = package->size() - kSizeField;
    if (declared > quint64(held))
        return Refusal{RefusalKind::BrokenArchive,
                       QStringLiteral("%1 declares %2 bytes but holds %3")
                           .arg(kPackageStream, QString::number(declared), QString::number(held))};
    // Past the declared size lie only the last cipher block's padding and
    // whatever the container rounds the stream up with.
    const qint64 whole_blocks = (qint64(declared) + 15) / 16 * 16;
    std::optional<QByteArray> plain =
        (*decrypter)(package->mid(kSizeField, int(std::min(whole_blocks, held))));
    if (!plain || plain->size() < qint64(declared))
        return Refusal{RefusalKind::BrokenArchive,
                       QStringLiteral("%1 is not whole cipher blocks").arg(kPackageStream)};
    plain->truncate(int(declared));
    return std::move(*plain);
}
