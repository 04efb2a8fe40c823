#include "tags/biffscan.h"

#include <QtEndian>
#include <cstring>

namespace
{

constexpr quint16 kFormula = 0x0006;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kDimensions = 0x0200;
constexpr quint16 kBoolErr = 0x0205;
constexpr quint16 kString = 0x0207;
constexpr quint16 kBof = 0x0809;
constexpr int kMaxRecordBytes = 8224;

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

class Scanner
{
public:
    explicit Scanner(const QByteArray &bytes) : stream(bytes) {}

    std::optional<BiffScan> run()
    {
        QVector<Record> records;
        for (qint64 at = 0; at + 4 <= stream.size();) {
            Record record;
            record.offset = at;
            record.type = u16_at(stream, int(at));
            const quint16 size = u16_at(stream, int(at) + 2);
            if (size > kMaxRecordBytes || at + 4 + size > stream.size())
                return std::nullopt;
            record.body = stream.mid(int(at) + 4, size);
            records << record;
            at += 4 + size;
        }
        if (records.isEmpty() || records.first().type != kBof || records.first().body.size() < 2)
            return std::nullopt;
        const quint16 version = u16_at(records.first().body, 0);
        if (version != 0x0600 && version != 0x0500)
            return std::nullopt;
        result.version = version == 0x0600 ? 8 : 5;

        qint64 first_sheet_offset = -1;
        for (int i = 0; i < records.size(); ++i) {
            const Record &record = records.at(i);
            switch (record.type) {
            case kFilePass:
                return std::nullopt;
            case kBoundSheet:
                if (record.body.size() < 6)
                    return std::nullopt;
                if (first_sheet_offset < 0)
                    first_sheet_offset = u32_at(record.body, 0);
                break;
            case kSst:
                if (!plausible_string_count(records, i))
                    return std::nullopt;
                break;
            case kDimensions:
                if (!bounded_dimensions(record.body))
                    return std::nullopt;
                break;
            default:
                break;
            }
        }
        collect_first_sheet(records, first_sheet_offset);
        return result;
    }

private:
    // Every string takes at least three bytes, so the count the SST record
    // declares cannot exceed a third of its bytes.
    bool plausible_string_count(const QVector<Record> &records, int at) const
    {
        const Record &sst = records.at(at);
        if (sst.body.size() < 8)
            return false;
        qint64 bytes = sst.body.size() - 8;
        for (int i = at + 1; i < records.size() && records.at(i).type == kContinue; ++i)
            bytes += records.at(i).body.size();
        return qint64(u32_at(sst.body, 4)) * 3 <= bytes;
    }

    bool bounded_dimensions(const QByteArray &body) const
    {
        qint64 rows = 0;
        qint64 columns = 0;
        if (result.version == 8) {
            if (body.size() < 12)
                return false;
            rows = u32_at(body, 4);
            columns = u16_at(body, 10);
        } else {
            if (body.size() < 8)
                return false;
            rows = u16_at(body, 2);
            columns = u16_at(body, 6);
        }
        return rows <= 65536 && columns <= 256 && rows * columns <= kMaxSheetCells;
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

std::optional<BiffScan> scan_biff_workbook(const QByteArray &stream)
{
    return Scanner(stream).run();
}
