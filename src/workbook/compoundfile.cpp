#include "workbook/compoundfile.h"

#include <QVector>
#include <QtEndian>
#include <algorithm>

namespace
{

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSector = 0xFFFFFFFF;
constexpr int kHeaderFatEntries = 109;
constexpr int kDirectoryEntrySize = 128;
constexpr int kNameBytes = 64;
constexpr int kStreamEntry = 2;
const QByteArray kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

quint16 u16_at(const QByteArray &bytes, qint64 at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32_at(const QByteArray &bytes, qint64 at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

class CompoundFile
{
public:
    explicit CompoundFile(const QByteArray &file) : bytes(file) {}

    // Why load() or stream() failed.
    QString problem;
    // Sectors that a table or chain names lie past the end of the file.
    bool cut_short = false;

    bool load()
    {
        if (bytes.size() < 512 || !bytes.startsWith(kSignature) || u16_at(bytes, 0x1C) != 0xFFFE)
            return refuse(QStringLiteral("header is cut short or has no byte-order mark"));
        const quint16 shift = u16_at(bytes, 0x1E);
        const quint16 mini_shift = u16_at(bytes, 0x20);
        if ((shift != 9 && shift != 12) || mini_shift != 6)
            return refuse(QStringLiteral("sector sizes 2^%1 and 2^%2 are not those of a workbook")
                              .arg(QString::number(shift), QString::number(mini_shift)));
        sector_size = 1 << shift;
        if (bytes.size() < sector_size)
            return refuse(QStringLiteral("file is shorter than one sector"));
        // Only whole sectors count for the tables; a torn last sector gives
        // a stream the bytes it still holds.
        sector_count = (bytes.size() - sector_size) / sector_size;
        torn_bytes = (bytes.size() - sector_size) % sector_size;
        mini_cutoff = u32_at(bytes, 0x38);
        return load_fat() && load_directory();
    }

    // The first entry whose name, read as text up to its first NUL
    // character, is exactly one of the names decides, whatever kind of
    // entry it is; only a stream there is read.
    std::optional<QByteArray> stream(const QStringList &names, bool or_only_stream)
    {
        for (int at = 0; at + kDirectoryEntrySize <= directory.size(); at += kDirectoryEntrySize) {
            const int name_bytes = name_size(at);
            QString name;
            for (int i = 0; i < name_bytes / 2 && u16_at(directory, at + 2 * i) != 0; ++i)
                name += QChar(u16_at(directory, at + 2 * i));
            if (!names.contains(name))
                continue;
            if (quint8(directory.at(at + 0x42)) != kStreamEntry) {
                refuse(QStringLiteral("entry %1 is not a stream").arg(name));
                return std::nullopt;
            }
            return read_entry(at, name);
        }
        // A file whose one stream goes by another name holds the workbook
        // all the same: the applications open it.
        const int only = or_only_stream ? only_stream() : -1;
        if (only >= 0)
            return read_entry(only, QStringLiteral("#%1").arg(only / kDirectoryEntrySize));
        refuse(QStringLiteral("no stream named %1").arg(names.join(QStringLiteral(" or "))));
        return std::nullopt;
    }

private:
    std::optional<QByteArray> read_entry(int at, const QString &name)
    {
        const quint32 start = u32_at(directory, at + 0x74);
        const quint32 size = u32_at(directory, at + 0x78);
        const std::optional<QByteArray> out =
            size < mini_cutoff ? mini_stream_chain(start, size) : chain(fat, start, size);
        if (!out)
            return refuse_stream(name, size);
        return out;
    }

    // The directory offset of the file's one stream, or -1 when it holds
    // none or several.
    int only_stream() const
    {
        int found = -1;
        for (int at = 0; at + kDirectoryEntrySize <= directory.size(); at += kDirectoryEntrySize) {
            if (quint8(directory.at(at + 0x42)) != kStreamEntry)
                continue;
            if (found >= 0)
                return -1;
            found = at;
        }
        return found;
    }

    bool refuse(const QString &why)
    {
        problem = why;
        return false;
    }

    std::optional<QByteArray> refuse_stream(const QString &name, quint32 size)
    {
        refuse(QStringLiteral("stream %1 of %2 bytes runs past the sectors present")
                   .arg(name, QString::number(size)));
        return std::nullopt;
    }

    // Sector numbers of the allocation table: 109 in the header, the rest
    // in a chain of extension sectors.
    bool load_fat()
    {
        const quint32 fat_sectors = u32_at(bytes, 0x2C);
        QVector<quint32> fat_sector_ids;
        for (int i = 0; i < kHeaderFatEntries && quint32(fat_sector_ids.size()) < fat_sectors; ++i)
            fat_sector_ids << u32_at(bytes, 0x4C + 4 * i);
        quint32 extension = u32_at(bytes, 0x44);
        int hops = 0;
        // A count past the file's sectors names sectors that are not there:
        // the applications read the table from those that are, so the
        // extension chain ends where it leaves the file.
        while (quint32(fat_sector_ids.size()) < fat_sectors && extension < quint32(sector_count)) {
            if (++hops > sector_count)
                return refuse(QStringLiteral("allocation table extension chain loops"));
            const qint64 base = sector_offset(extension);
            const int per_sector = sector_size / 4 - 1;
            for (int i = 0; i < per_sector && quint32(fat_sector_ids.size()) < fat_sectors; ++i)
                fat_sector_ids << u32_at(bytes, base + 4 * i);
            extension = u32_at(bytes, base + 4 * per_sector);
        }
        // A file whose end is missing still names the table's last sectors:
        // the chains through them end there, and what lies before is read.
        bool any_present = false;
        for (quint32 id : fat_sector_ids) {
            if (id >= quint32(sector_count)) {
                cut_short = true;
                for (int i = 0; i < sector_size / 4; ++i)
                    fat << kEndOfChain;
                continue;
            }
            any_present = true;
            const qint64 base = sector_offset(id);
            for (int i = 0; i < sector_size / 4; ++i)
                fat << u32_at(bytes, base + 4 * i);
        }
        if (!any_present && !fat_sector_ids.isEmpty())
            return refuse(QStringLiteral("allocation table sector %1 lies past the file")
                              .arg(fat_sector_ids.first()));
        return true;
    }

    bool load_directory()
    {
        const std::optional<QByteArray> entries = chain(fat, u32_at(bytes, 0x30), -1);
        if (!entries || entries->size() < kDirectoryEntrySize)
            return refuse(QStringLiteral("directory chain leaves the file or loops"));
        directory = *entries;
        // No writer makes an entry of any other type: such a directory is
        // refused rather than guessed at. A name's declared length is read
        // within the entry's 64 bytes of name, as the applications do.
        for (int at = 0; at + kDirectoryEntrySize <= directory.size(); at += kDirectoryEntrySize) {
            const int type = quint8(directory.at(at + 0x42));
            if (type != 0 && type != 1 && type != 2 && type != 5)
                return refuse(
                    QStringLiteral("directory entry %1 is of unknown type %2")
                        .arg(QString::number(at / kDirectoryEntrySize), QString::number(type)));
        }
        // The root entry holds the mini stream; the mini table is a chain of
        // ordinary sectors.
        root_start = u32_at(directory, 0x74);
        root_size = u32_at(directory, 0x78);
        const quint32 mini_fat_start = u32_at(bytes, 0x3C);
        if (mini_fat_start != kEndOfChain && mini_fat_start != kFreeSector) {
            const std::optional<QByteArray> table = chain(fat, mini_fat_start, -1);
            if (!table)
                return refuse(QStringLiteral("mini allocation table chain leaves the file "
                                             "or loops"));
            for (int at = 0; at + 4 <= table->size(); at += 4)
                mini_fat << u32_at(*table, at);
        }
        return true;
    }

    // The bytes of an entry's name: its declared length, within the 64
    // bytes an entry holds and in whole characters.
    int name_size(int at) const
    {
        return std::min<int>(u16_at(directory, at + 0x40), kNameBytes) & ~1;
    }

    qint64 sector_offset(quint32 id) const
    {
        return qint64(id + 1) * sector_size;
    }

    // Follows a chain of whole sectors; `size` < 0 reads to the chain's end.
    // A chain may visit each sector once at most. A chain that leaves the
    // file, or ends before `size`, gives what it holds up to there.
    std::optional<QByteArray> chain(const QVector<quint32> &table, quint32 start, qint64 size)
    {
        QByteArray out;
        quint32 id = start;
        int hops = 0;
        // A chain that ends in a free or table sector's mark rather than its
        // own has left the file's streams: what it read up to there counts.
        while (id < kEndOfChain - 3 && (size < 0 || out.size() < size)) {
            if (id >= quint32(sector_count)) {
                if (id == quint32(sector_count) && torn_bytes > 0)
                    out.append(bytes.constData() + sector_offset(id), torn_bytes);
                cut_short = true;
                break;
            }
            if (id >= quint32(table.size()) || ++hops > sector_count)
                return std::nullopt;
            out.append(bytes.constData() + sector_offset(id), sector_size);
            id = table.at(id);
        }
        if (size >= 0) {
            if (out.size() < size)
                cut_short = true;
            out.truncate(int(std::min<qint64>(size, out.size())));
        }
        return out;
    }

    std::optional<QByteArray> mini_stream_chain(quint32 start, quint32 size)
    {
        const std::optional<QByteArray> container = chain(fat, root_start, root_size);
        if (!container)
            return std::nullopt;
        QByteArray out;
        quint32 id = start;
        int hops = 0;
        const int mini_size = 64;
        while (out.size() < qint64(size)) {
            if (id == kEndOfChain || qint64(id + 1) * mini_size > container->size() ||
                id >= quint32(mini_fat.size())) {
                // The mini stream or its table was cut off with the file.
                if (!cut_short)
                    return std::nullopt;
                break;
            }
            if (++hops > mini_fat.size())
                return std::nullopt;
            out.append(container->constData() + qint64(id) * mini_size, mini_size);
            id = mini_fat.at(id);
        }
        out.truncate(int(std::min<qint64>(size, out.size())));
        return out;
    }

    const QByteArray &bytes;
    int sector_size = 512;
    int sector_count = 0;
    int torn_bytes = 0;
    quint32 mini_cutoff = 4096;
    QVector<quint32> fat;
    QVector<quint32> mini_fat;
    QByteArray directory;
    quint32 root_start = kEndOfChain;
    quint32 root_size = 0;
};

} // namespace

bool is_compound_file(const QByteArray &bytes)
{
    return bytes.startsWith(kSignature);
}

ReadResult<QByteArray> read_compound_stream(const QByteArray &bytes, const QStringList &names,
                                            bool *cut_short, bool or_only_stream)
{
    CompoundFile file(bytes);
    if (!file.load())
        return Refusal{RefusalKind::CompoundFile, file.problem};
    std::optional<QByteArray> stream = file.stream(names, or_only_stream);
    if (!stream)
        return Refusal{RefusalKind::CompoundFile, file.problem};
    if (cut_short)
        *cut_short = file.cut_short;
    return std::move(*stream);
}
