#include "workbook/biffscan.h"

#include <QBitArray>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace
{

constexpr quint16 kFormula = 0x0006;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kMulRk = 0x00BD;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kLabelSst = 0x00FD;
constexpr quint16 kDimensions = 0x0200;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kBoolErr = 0x0205;
constexpr quint16 kString = 0x0207;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kBof = 0x0809;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kFormat = 0x041E;
constexpr int kMaxRecordBytes = 8224;

struct SheetSize {
    qint64 rows = 0;
    qint64 columns = 0;
};

struct Record {
    qint64 offset = 0;
    quint16 type = 0;
    QByteArray body;
};

quint16 u16_at(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32_at(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QString error_text(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    default:
        return QStringLiteral("#N/A");
    }
}

// The text of a STRING record, which carries a formula's text result.
QString string_record_text(const QByteArray &body, int version)
{
    if (body.size() < 2)
        return QString();
    const int count = u16_at(body, 0);
    if (version == 5)
        return QString::fromLatin1(body.mid(2, count));
    if (body.size() < 3)
        return QString();
    const bool wide = quint8(body.at(2)) & 0x01;
    QString text;
    for (int i = 0; i < count; ++i) {
        const int at = 3 + (wide ? 2 * i : i);
        if (at + (wide ? 2 : 1) > body.size())
            break;
        text += wide ? QChar(u16_at(body, at)) : QChar(quint8(body.at(at)));
    }
    return text;
}

// Reads across the bodies of a record and its CONTINUE records.
class SegmentReader
{
public:
    SegmentReader(const QVector<QByteArray> &all, int offset) : segments(all), position(offset) {}

    bool at_segment_end() const
    {
        return position >= segments.at(segment).size();
    }
    int left_in_segment() const
    {
        return segments.at(segment).size() - position;
    }
    bool next_segment()
    {
        if (segment + 1 >= segments.size())
            return false;
        ++segment;
        position = 0;
        return true;
    }
    void skip_in_segment(int bytes)
    {
        position += bytes;
    }

    // Up to four bytes, little-endian, possibly spanning segments.
    bool read(int bytes, quint32 *value)
    {
        *value = 0;
        for (int i = 0; i < bytes; ++i) {
            while (at_segment_end())
                if (!next_segment())
                    return false;
            *value |= quint32(quint8(segments.at(segment).at(position++))) << (8 * i);
        }
        return true;
    }

    bool skip(qint64 bytes)
    {
        while (bytes > 0) {
            while (at_segment_end())
                if (!next_segment())
                    return false;
            const qint64 step = std::min<qint64>(bytes, left_in_segment());
            position += int(step);
            bytes -= step;
        }
        return true;
    }

private:
    const QVector<QByteArray> &segments;
    int segment = 0;
    int position = 0;
};

class Scanner
{
public:
    explicit Scanner(const QByteArray &bytes) : stream(bytes) {}

    ReadResult<BiffScan> run()
    {
        QVector<Record> records;
        for (qint64 at = 0; at + 4 <= stream.size();) {
            Record record;
            record.offset = at;
            record.type = u16_at(stream, int(at));
            const quint16 size = u16_at(stream, int(at) + 2);
            if (size > kMaxRecordBytes || at + 4 + size > stream.size())
                return refused(record, QStringLiteral("declares %1 bytes, past the %2")
                                           .arg(size)
                                           .arg(size > kMaxRecordBytes
                                                    ? QStringLiteral("largest record")
                                                    : QStringLiteral("end of the stream")));
            record.body = stream.mid(int(at) + 4, size);
            records << record;
            at += 4 + size;
        }
        if (records.isEmpty() || records.first().type != kBof || records.first().body.size() < 2)
            return Refusal{RefusalKind::Biff,
                           QStringLiteral("workbook stream does not start with a BOF record")};
        const quint16 version = u16_at(records.first().body, 0);
        if (version != 0x0600 && version != 0x0500)
            return Refusal{RefusalKind::Biff,
                           QStringLiteral("BIFF version 0x%1 is neither BIFF5 nor BIFF8")
                               .arg(version, 4, 16, QLatin1Char('0'))};
        result.version = version == 0x0600 ? 8 : 5;

        qint64 first_sheet_offset = -1;
        for (int i = 0; i < records.size(); ++i) {
            const Record &record = records.at(i);
            switch (record.type) {
            case kFilePass:
                return refused(record, QStringLiteral("the workbook is encrypted"));
            case kBoundSheet:
                if (record.body.size() < 6 || !string_fits(record.body, 6, 1))
                    return refused(record, QStringLiteral("sheet name runs past the record"));
                if (first_sheet_offset < 0)
                    first_sheet_offset = u32_at(record.body, 0);
                break;
            case kFormat:
                if (!string_fits(record.body, 2, result.version == 8 ? 2 : 1))
                    return refused(record, QStringLiteral("format string runs past the record"));
                break;
            case kLabel:
                if (!string_fits(record.body, 6, 2))
                    return refused(record, QStringLiteral("label text runs past the record"));
                break;
            case kSst:
                if (!strings_fit(records, i))
                    return refused(record,
                                   QStringLiteral("%1 shared strings declared, more "
                                                  "than its records hold")
                                       .arg(record.body.size() >= 8 ? u32_at(record.body, 4) : 0));
                break;
            case kDimensions:
                if (!bounded_dimensions(record.body))
                    return refused(record, QStringLiteral("sheet dimensions exceed %1 rows, 256 "
                                                          "columns or %2 cells")
                                               .arg(65536)
                                               .arg(kMaxSheetCells));
                break;
            default:
                break;
            }
        }
        if (const std::optional<Refusal> loss = what_freexl_would_lose(records))
            return *loss;
        collect_first_sheet(records, first_sheet_offset);
        return result;
    }

private:
    static Refusal refused(const Record &record, const QString &why)
    {
        return Refusal{RefusalKind::Biff,
                       QStringLiteral("record 0x%1 at offset %2: %3")
                           .arg(QStringLiteral("%1").arg(record.type, 4, 16, QLatin1Char('0')),
                                QString::number(record.offset), why)};
    }

    // Walks every string the SST record declares, across its CONTINUE
    // records, the way a reader must: FreeXL trusts the declared count and
    // lengths, so each of them has to be backed by bytes.
    bool strings_fit(const QVector<Record> &records, int at) const
    {
        QVector<QByteArray> segments{records.at(at).body};
        for (int i = at + 1; i < records.size() && records.at(i).type == kContinue; ++i)
            segments << records.at(i).body;
        if (segments.first().size() < 8)
            return false;
        SegmentReader reader(segments, 8);
        const quint32 count = u32_at(segments.first(), 4);
        for (quint32 i = 0; i < count; ++i) {
            quint32 header = 0;
            if (!reader.read(3, &header))
                return false;
            quint32 characters = header & 0xFFFF;
            const quint8 flags = quint8(header >> 16);
            quint32 runs = 0;
            quint32 extension = 0;
            if ((flags & 0x08) && !reader.read(2, &runs))
                return false;
            if ((flags & 0x04) && !reader.read(4, &extension))
                return false;
            bool wide = flags & 0x01;
            // Characters may break into the next CONTINUE record, which then
            // starts with its own flags byte.
            while (characters > 0) {
                if (reader.at_segment_end()) {
                    quint32 continued_flags = 0;
                    if (!reader.next_segment() || !reader.read(1, &continued_flags))
                        return false;
                    wide = continued_flags & 0x01;
                }
                const quint32 fit =
                    std::min<quint32>(characters, reader.left_in_segment() / (wide ? 2 : 1));
                if (fit == 0)
                    return false;
                reader.skip_in_segment(fit * (wide ? 2 : 1));
                characters -= fit;
            }
            if (!reader.skip(qint64(runs) * 4 + extension))
                return false;
        }
        return true;
    }

    // FreeXL loses memory on some shapes of a stream, on every import. This
    // walks the records as FreeXL's first pass does and refuses them; none
    // occurs in a workbook that a spreadsheet application writes.
    // - A sheet becomes the one FreeXL reads at a BOF record that follows an
    //   EOF and sits at the offset a BOUNDSHEET record gave; a BOF inside a
    //   sheet starts nothing new for it.
    // - FreeXL allocates the sheet's cells at each DIMENSIONS record and keeps
    //   only the last allocation: a second one is refused.
    // - After the stream it sizes each sheet that had none by allocating
    //   again for the sheet it read last, not for the sheet at hand: a sheet
    //   without DIMENSIONS is refused.
    // - A LABEL record's text is converted before FreeXL looks for its cell
    //   and is lost when there is none, and a second value for a cell drops
    //   the text the first one left there: a cell record outside the sheets
    //   or their dimensions, and a cell given twice, are refused.
    // Nothing when FreeXL can read the stream without losing memory, else why.
    std::optional<Refusal> what_freexl_would_lose(const QVector<Record> &records) const
    {
        QVector<qint64> sheet_offsets;
        QVector<bool> declared;
        int reading = -1;
        SheetSize size;
        QBitArray given; // cells of the sheet read that have a value
        bool in_substream = false;
        bool after_end = false;
        for (int i = 0; i < records.size(); ++i) {
            const Record &record = records.at(i);
            // A record of type and size 0 ends a stream for FreeXL's reader
            // of regular sectors; its reader of the mini stream goes on. Only
            // zeros may follow, so that both see the same records.
            if (record.type == 0 && record.body.isEmpty()) {
                after_end = true;
                continue;
            }
            if (after_end)
                return refused(record, QStringLiteral("records follow the end of the stream"));
            if (i == 0) {
                in_substream = true;
                continue;
            }
            if (record.type == kContinue)
                continue;
            if (!in_substream) {
                // Anything but a BOF here makes FreeXL give up, freeing
                // what it allocated.
                if (record.type != kBof)
                    return std::nullopt;
                in_substream = true;
                reading = int(sheet_offsets.indexOf(record.offset));
                continue;
            }
            switch (record.type) {
            case kEof:
                in_substream = false;
                break;
            case kBoundSheet:
                sheet_offsets << u32_at(record.body, 0);
                declared << false;
                break;
            case kDimensions:
                if (reading < 0)
                    break;
                if (declared.at(reading))
                    return refused(record, QStringLiteral("a second DIMENSIONS for one sheet"));
                declared[reading] = true;
                size = sheet_size(record.body);
                given = QBitArray(int(size.rows * size.columns));
                break;
            case kNumber:
            case kRk:
            case kMulRk:
            case kBoolErr:
            case kLabel:
            case kLabelSst:
                if (record.type == kLabelSst && result.version != 8)
                    break;
                // Cells before the sheet's DIMENSIONS FreeXL leaves out.
                if (reading >= 0 && !declared.at(reading))
                    break;
                if (reading < 0 || !give_cells(record, size, &given))
                    return refused(record, QStringLiteral("a cell outside the sheets or their "
                                                          "dimensions, or given twice"));
                break;
            default:
                break;
            }
        }
        if (declared.contains(false))
            return Refusal{RefusalKind::Biff, QStringLiteral("sheet %1 has no DIMENSIONS record")
                                                  .arg(declared.indexOf(false) + 1)};
        return std::nullopt;
    }

    // Marks the cells a cell record gives a value, as FreeXL places them;
    // false when one lies outside the sheet or already has a value.
    static bool give_cells(const Record &record, const SheetSize &size, QBitArray *given)
    {
        if (record.body.size() < 4)
            return false;
        const qint64 row = u16_at(record.body, 0);
        qint64 column = u16_at(record.body, 2);
        // A MULRK record holds 6 bytes a cell after its first 4, and FreeXL
        // takes a cell only while 6 more bytes follow it.
        const int size_bytes = record.body.size();
        const int cells = record.type != kMulRk ? 1 : size_bytes > 10 ? (size_bytes - 5) / 6 : 0;
        for (int k = 0; k < cells; ++k, ++column) {
            if (row >= size.rows || column >= size.columns)
                return false;
            const int at = int(row * size.columns + column);
            if (given->testBit(at))
                return false;
            given->setBit(at);
        }
        return true;
    }

    // A string whose length field sits at `at`, `length_bytes` wide, in one
    // record: BIFF8 strings carry a flags byte after the length.
    bool string_fits(const QByteArray &body, int at, int length_bytes) const
    {
        if (at + length_bytes > body.size())
            return false;
        const int count = length_bytes == 1 ? quint8(body.at(at)) : u16_at(body, at);
        int start = at + length_bytes;
        int unit = 1;
        if (result.version == 8) {
            if (start >= body.size())
                return count == 0;
            unit = (quint8(body.at(start)) & 0x01) ? 2 : 1;
            ++start;
        }
        return qint64(start) + qint64(count) * unit <= body.size();
    }

    // Rows and columns a DIMENSIONS record declares (one past the last);
    // its size has been checked.
    SheetSize sheet_size(const QByteArray &body) const
    {
        if (result.version == 8)
            return {u32_at(body, 4), u16_at(body, 10)};
        return {u16_at(body, 2), u16_at(body, 6)};
    }

    bool bounded_dimensions(const QByteArray &body) const
    {
        if (body.size() < (result.version == 8 ? 12 : 8))
            return false;
        const SheetSize size = sheet_size(body);
        return size.rows <= 65536 && size.columns <= 256 &&
               size.rows * size.columns <= kMaxSheetCells;
    }

    void collect_first_sheet(const QVector<Record> &records, qint64 offset)
    {
        int i = 0;
        while (i < records.size() && records.at(i).offset != offset)
            ++i;
        if (i == records.size())
            return;
        for (++i; i < records.size() && records.at(i).type != kEof; ++i) {
            const Record &record = records.at(i);
            if (record.type == kBoolErr && record.body.size() >= 8)
                add_boolerr(record.body);
            else if (record.type == kFormula && record.body.size() >= 14)
                add_formula(records, i);
        }
    }

    void add_boolerr(const QByteArray &body)
    {
        const quint8 value = quint8(body.at(6));
        const bool is_error = body.at(7) != 0;
        add(body, is_error ? error_text(value) : sheet_boolean_text(value != 0));
    }

    void add_formula(const QVector<Record> &records, int at)
    {
        const QByteArray &body = records.at(at).body;
        if (quint8(body.at(12)) != 0xFF || quint8(body.at(13)) != 0xFF) {
            const quint64 bits = qFromLittleEndian<quint64>(body.constData() + 6);
            double number = 0;
            std::memcpy(&number, &bits, sizeof number);
            add(body, sheet_number_text(number));
            return;
        }
        switch (quint8(body.at(6))) {
        case 0: // text, in the STRING record that follows
            for (int i = at + 1; i < records.size() && records.at(i).type != kEof; ++i) {
                if (records.at(i).type == kString) {
                    add(body, string_record_text(records.at(i).body, result.version));
                    return;
                }
                if (records.at(i).type == kFormula)
                    break;
            }
            return;
        case 1:
            add(body, sheet_boolean_text(body.at(8) != 0));
            return;
        case 2:
            add(body, error_text(quint8(body.at(8))));
            return;
        default:
            add(body, QString());
            return;
        }
    }

    void add(const QByteArray &body, const QString &text)
    {
        if (result.exact_cells.size() < kMaxSheetCells)
            result.exact_cells.append(SheetCell{u16_at(body, 0), u16_at(body, 2), text});
    }

    const QByteArray &stream;
    BiffScan result;
};

} // namespace

ReadResult<BiffScan> scan_biff_workbook(const QByteArray &stream)
{
    return Scanner(stream).run();
}
