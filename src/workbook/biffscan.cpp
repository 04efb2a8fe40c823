#include "workbook/biffscan.h"

#include "workbook/biffcrypt.h"
#include "workbook/biffrecords.h"
#include "workbook/codepage.h"
#include "workbook/defaultpassword.h"

#include <QtEndian>
#include <cstring>
#include <memory>

namespace
{

// The character set's byte in a FONT record: after height, options,
// colour, weight, escapement, underline and family.
constexpr int kFontCharset = 12;

using namespace biff;

constexpr quint16 kWorksheetBof = 0x0010;

quint16 u16_at(const char *bytes)
{
    return qFromLittleEndian<quint16>(bytes);
}

quint32 u32_at(const char *bytes)
{
    return qFromLittleEndian<quint32>(bytes);
}

double double_at(const char *bytes)
{
    const quint64 bits = qFromLittleEndian<quint64>(bytes);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// An RK value: a 30-bit integer or the top 30 bits of a double, either
// possibly a hundredth of what it holds.
double rk_value(quint32 rk)
{
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
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

QString latin1(const char *bytes, int size)
{
    return QString::fromLatin1(bytes, size);
}

QString utf16(const char *bytes, int characters)
{
    QString text(characters, Qt::Uninitialized);
    for (int i = 0; i < characters; ++i)
        text[i] = QChar(u16_at(bytes + 2 * i));
    return text;
}

// Reads across the bodies of a record and the CONTINUE records after it.
class Segments
{
public:
    Segments(const QByteArray &stream, const QVector<BiffRecord> &records, int first, int from)
        : data(stream.constData())
    {
        spans.append({records.at(first).body(), records.at(first).size});
        for (int i = first + 1; i < records.size() && records.at(i).type == kContinue; ++i)
            spans.append({records.at(i).body(), records.at(i).size});
        position = from;
    }

    int left() const
    {
        return spans.at(segment).size - position;
    }
    // Nothing more to read in this record and its CONTINUEs.
    bool at_end() const
    {
        if (left() > 0)
            return false;
        for (int later = segment + 1; later < spans.size(); ++later)
            if (spans.at(later).size > 0)
                return false;
        return true;
    }
    bool next()
    {
        if (segment + 1 >= spans.size())
            return false;
        ++segment;
        position = 0;
        return true;
    }
    // Up to four bytes, little-endian, possibly spanning segments.
    bool read(int bytes, quint32 *value)
    {
        *value = 0;
        for (int i = 0; i < bytes; ++i) {
            while (left() <= 0)
                if (!next())
                    return false;
            *value |= quint32(quint8(data[spans.at(segment).offset + position++])) << (8 * i);
        }
        return true;
    }
    bool skip(qint64 bytes)
    {
        while (bytes > 0) {
            while (left() <= 0)
                if (!next())
                    return false;
            const qint64 step = std::min<qint64>(bytes, left());
            position += int(step);
            bytes -= step;
        }
        return true;
    }

    // A BIFF8 string: character count (two bytes when `long_count`), flags,
    // run and extension sizes as the flags say, the characters (which may
    // break into the next CONTINUE, starting it with flags of its own),
    // runs and extension. Nothing when the records end first.
    std::optional<QString> unicode_string(bool long_count = true)
    {
        quint32 characters = 0;
        quint32 flags = 0;
        if (!read(long_count ? 2 : 1, &characters) || !read(1, &flags))
            return std::nullopt;
        quint32 runs = 0;
        quint32 extension = 0;
        if ((flags & 0x08) && !read(2, &runs))
            return std::nullopt;
        if ((flags & 0x04) && !read(4, &extension))
            return std::nullopt;
        bool wide = flags & 0x01;
        QString text;
        while (characters > 0) {
            // A CONTINUE may hold its flags and no characters; the next one
            // starts with flags of its own.
            if (left() <= 0) {
                quint32 continued = 0;
                if (!next() || !read(1, &continued))
                    return std::nullopt;
                wide = continued & 0x01;
                continue;
            }
            const quint32 fit = std::min<quint32>(characters, quint32(left()) / (wide ? 2 : 1));
            if (fit == 0)
                return std::nullopt;
            const char *at = data + spans.at(segment).offset + position;
            text += wide ? utf16(at, int(fit)) : latin1(at, int(fit));
            position += int(fit) * (wide ? 2 : 1);
            characters -= fit;
        }
        if (!skip(qint64(runs) * 4 + extension))
            return std::nullopt;
        return text;
    }

private:
    struct Span {
        int offset;
        int size;
    };
    const char *data;
    QVector<Span> spans;
    int segment = 0;
    int position = 0;
};

struct SheetEntry {
    quint32 offset = 0;
    quint8 type = 0; // 0 worksheet, 2 chart, 6 macro module
};

class BiffReader
{
public:
    explicit BiffReader(QByteArray bytes) : stream(std::move(bytes)), data(stream.constData()) {}

    ReadResult<SheetCells> run()
    {
        ReadResult<BiffRecords> split = split_biff_records(stream);
        if (!split)
            return split.refusal();
        records = std::move(split->records);
        if (split->cut_short)
            cells.note_oddity(QStringLiteral("workbook stream ends inside a record"),
                              QStringLiteral("after %1 whole records").arg(records.size()));
        if (records.isEmpty() || records.first().type != kBof || records.first().size < 2)
            return Refusal{RefusalKind::Biff,
                           QStringLiteral("workbook stream does not start with a BOF record")};
        const quint16 version = u16_at(body(0));
        if (version != 0x0600 && version != 0x0500)
            return Refusal{RefusalKind::Biff,
                           QStringLiteral("BIFF version 0x%1 is neither BIFF5 nor BIFF8")
                               .arg(version, 4, 16, QLatin1Char('0'))};
        biff8 = version == 0x0600;
        if (std::optional<Refusal> refused = read_globals())
            return *refused;
        const int sheet = first_worksheet();
        if (sheet >= 0)
            if (std::optional<Refusal> refused = read_sheet(sheet))
                return *refused;
        cells.finish();
        return std::move(cells);
    }

private:
    const char *body(int index) const
    {
        return data + records.at(index).body();
    }

    Refusal refused(int index, const QString &why) const
    {
        return Refusal{RefusalKind::Biff, QStringLiteral("record 0x%1 at offset %2: %3")
                                              .arg(records.at(index).type, 4, 16, QLatin1Char('0'))
                                              .arg(records.at(index).offset)
                                              .arg(why)};
    }

    QString where(int index) const
    {
        return QStringLiteral("record 0x%1 at offset %2")
            .arg(records.at(index).type, 4, 16, QLatin1Char('0'))
            .arg(records.at(index).offset);
    }

    // The workbook globals, up to their EOF: encryption, code page, sheets,
    // shared strings.
    std::optional<Refusal> read_globals()
    {
        std::optional<int> code_page;
        // A BIFF5 workbook without CODEPAGE: the first font that names a
        // character set of its own says how its text is written.
        std::optional<int> font_code_page;
        int sst = -1;
        for (int i = 1; i < records.size() && records.at(i).type != kEof; ++i) {
            const BiffRecord &record = records.at(i);
            switch (record.type) {
            case kFilePass:
                if (!biff8)
                    return needs_password(
                        RefusalKind::Biff,
                        QStringLiteral("BIFF5 XOR obfuscation, which is not read"));
                if (std::optional<Refusal> refusal = decrypt_biff_stream(&stream, records, i))
                    return refusal;
                data = stream.constData();
                break;
            case kCodePage:
                if (record.size >= 2)
                    code_page = u16_at(body(i));
                break;
            case kFont:
                if (!font_code_page && record.size > kFontCharset)
                    font_code_page = code_page_of_font_charset(quint8(body(i)[kFontCharset]));
                break;
            case kBoundSheet:
                if (record.size < 7 || !name_fits(i))
                    return refused(i, QStringLiteral("sheet name runs past the record"));
                sheets.append(SheetEntry{u32_at(body(i)), quint8(body(i)[5])});
                break;
            case kSst:
                sst = i;
                break;
            default:
                break;
            }
        }
        const int text_code_page = code_page.value_or(font_code_page.value_or(biff8 ? 1200 : 1252));
        if (!biff8 && text_code_page != 1200) {
            decoder = std::make_unique<CodePageDecoder>(text_code_page);
            if (!decoder->known())
                cells.note_oddity(QStringLiteral("unknown code page, text read as Latin-1"),
                                  QStringLiteral("code page %1").arg(text_code_page));
        }
        if (sst >= 0)
            read_shared_strings(sst);
        return std::nullopt;
    }

    bool name_fits(int index) const
    {
        const int size = records.at(index).size;
        const int characters = quint8(body(index)[6]);
        if (!biff8)
            return 7 + characters <= size;
        if (size < 8)
            return characters == 0;
        const int unit = (quint8(body(index)[7]) & 0x01) ? 2 : 1;
        return 8 + characters * unit <= size;
    }

    // Reads as many strings as the table's records hold: writers often
    // declare more, and some fewer than they store, which the applications
    // show all the same.
    void read_shared_strings(int index)
    {
        if (!biff8 || records.at(index).size < 8) {
            cells.note_oddity(QStringLiteral("shared-string table without its counts"),
                              where(index));
            return;
        }
        const quint32 declared = u32_at(body(index) + 4);
        Segments reader(stream, records, index, 8);
        for (quint32 i = 0; i < declared || !reader.at_end(); ++i) {
            std::optional<QString> text = reader.unicode_string();
            if (!text && i >= declared) {
                cells.note_oddity(QStringLiteral("bytes after the shared strings that are none"),
                                  QStringLiteral("after string %1").arg(i));
                return;
            }
            if (!text) {
                cells.note_oddity(
                    QStringLiteral("shared-string table declares more strings "
                                   "than its records hold"),
                    QStringLiteral("%1 declared, %2 present").arg(declared).arg(strings.size()));
                return;
            }
            strings.append(*text);
        }
    }

    // The sheet to read: the first BOUNDSHEET of a worksheet, at the BOF its
    // offset names; when no offset leads to a BOF, the first worksheet BOF
    // after the globals.
    int first_worksheet()
    {
        for (const SheetEntry &entry : sheets) {
            if (entry.type != 0)
                continue;
            for (int i = 1; i < records.size(); ++i)
                if (quint32(records.at(i).offset) == entry.offset && records.at(i).type == kBof)
                    return i;
            break;
        }
        int depth = 0;
        for (int i = 0; i < records.size(); ++i) {
            const BiffRecord &record = records.at(i);
            if (record.type == kBof) {
                if (depth == 0 && i > 0 && record.size >= 4 &&
                    u16_at(body(i) + 2) == kWorksheetBof) {
                    if (!sheets.isEmpty())
                        cells.note_oddity(QStringLiteral("sheet offsets lead to no BOF record"),
                                          where(i));
                    return i;
                }
                ++depth;
            } else if (record.type == kEof && depth > 0) {
                --depth;
            }
        }
        return -1;
    }

    std::optional<Refusal> read_sheet(int bof)
    {
        int depth = 1;
        // A FORMULA whose text result is in the STRING record after it.
        int pending_row = -1;
        int pending_column = -1;
        for (int i = bof + 1; i < records.size() && depth > 0; ++i) {
            const BiffRecord &record = records.at(i);
            if (record.type == kBof) {
                ++depth;
                continue;
            }
            if (record.type == kEof) {
                --depth;
                continue;
            }
            // Records of an embedded chart or other sub-stream are its own.
            if (depth > 1)
                continue;
            const char *at = body(i);
            const int size = record.size;
            std::optional<Refusal> refusal;
            switch (record.type) {
            case kDimensions:
                if (!bounded_dimensions(at, size))
                    return refused(i, QStringLiteral("sheet dimensions exceed %1 rows, 256 "
                                                     "columns or %2 cells")
                                          .arg(65536)
                                          .arg(kMaxSheetCells));
                break;
            case kNumber:
                if (!fits(i, 14))
                    break;
                refusal = put(at, sheet_number_text(double_at(at + 6)));
                break;
            case kRk:
                if (!fits(i, 10))
                    break;
                refusal = put(at, sheet_number_text(rk_value(u32_at(at + 6))));
                break;
            case kMulRk:
                if (!fits(i, 6))
                    break;
                for (int k = 0; 4 + 6 * k + 6 <= size - 2 && !refusal; ++k)
                    refusal = put(u16_at(at), u16_at(at + 2) + k,
                                  sheet_number_text(rk_value(u32_at(at + 4 + 6 * k + 2))));
                break;
            case kBoolErr:
                if (!fits(i, 8))
                    break;
                refusal =
                    put(at, at[7] ? error_text(quint8(at[6])) : sheet_boolean_text(at[6] != 0));
                break;
            case kLabelSst:
                if (!biff8 || !fits(i, 10))
                    break;
                if (u32_at(at + 6) >= quint32(strings.size())) {
                    cells.note_oddity(QStringLiteral("text cell names a shared string beyond "
                                                     "the table"),
                                      where(i));
                    break;
                }
                refusal = put(at, strings.at(int(u32_at(at + 6))));
                break;
            case kLabel:
            case kRString:
                if (!fits(i, 8))
                    break;
                refusal = put(at, label_text(i));
                break;
            case kFormula:
                pending_row = -1;
                if (!fits(i, 20))
                    break;
                if (quint8(at[12]) != 0xFF || quint8(at[13]) != 0xFF) {
                    refusal = put(at, sheet_number_text(double_at(at + 6)));
                } else if (at[6] == 0) {
                    pending_row = u16_at(at);
                    pending_column = u16_at(at + 2);
                } else if (at[6] == 1) {
                    refusal = put(at, sheet_boolean_text(at[8] != 0));
                } else if (at[6] == 2) {
                    refusal = put(at, error_text(quint8(at[8])));
                } else {
                    refusal = put(at, QString());
                }
                break;
            case kString:
                if (pending_row < 0)
                    break;
                refusal = put(pending_row, pending_column, string_result(i));
                pending_row = -1;
                break;
            default:
                break;
            }
            if (refusal)
                return refusal;
        }
        return std::nullopt;
    }

    bool fits(int index, int bytes)
    {
        if (records.at(index).size >= bytes)
            return true;
        cells.note_oddity(QStringLiteral("cell record shorter than its fields"), where(index));
        return false;
    }

    bool bounded_dimensions(const char *at, int size) const
    {
        if (size < (biff8 ? 12 : 8))
            return false;
        const qint64 rows = biff8 ? u32_at(at + 4) : u16_at(at + 2);
        const qint64 columns = biff8 ? u16_at(at + 10) : u16_at(at + 6);
        return rows <= 65536 && columns <= 256 && rows * columns <= kMaxSheetCells;
    }

    QString eight_bit(const char *bytes, int size) const
    {
        return decoder ? decoder->decode(bytes, size) : latin1(bytes, size);
    }

    // A LABEL's text, cut at the record's end when it claims more.
    QString label_text(int index)
    {
        const char *at = body(index);
        const int size = records.at(index).size;
        int characters = u16_at(at + 6);
        int start = 8;
        bool wide = false;
        if (biff8) {
            if (size > 8)
                wide = quint8(at[8]) & 0x01;
            start = 9;
        }
        const int room = std::max(0, size - start) / (wide ? 2 : 1);
        if (characters > room) {
            cells.note_oddity(QStringLiteral("text runs past its record, cut there"), where(index));
            characters = room;
        }
        if (biff8)
            return wide ? utf16(at + start, characters) : latin1(at + start, characters);
        return eight_bit(at + start, characters);
    }

    // The text result of a formula.
    QString string_result(int index)
    {
        const int size = records.at(index).size;
        if (!biff8) {
            const int characters = size >= 2 ? std::min<int>(u16_at(body(index)), size - 2) : 0;
            return eight_bit(body(index) + 2, characters);
        }
        Segments reader(stream, records, index, 0);
        const std::optional<QString> text = reader.unicode_string();
        if (!text) {
            cells.note_oddity(QStringLiteral("formula text result runs past its records"),
                              where(index));
            return QString();
        }
        return *text;
    }

    std::optional<Refusal> put(const char *cell, const QString &text)
    {
        return put(u16_at(cell), u16_at(cell + 2), text);
    }

    // Cells beyond the largest sheet are left out; a sheet of too many cells
    // is refused.
    std::optional<Refusal> put(int row, int column, const QString &text)
    {
        std::optional<Refusal> refusal = cells.add(row, column, text);
        if (refusal && refusal->kind != RefusalKind::TooManyCells) {
            cells.note_oddity(QStringLiteral("cell left out"), refusal->reason);
            return std::nullopt;
        }
        return refusal;
    }

    QByteArray stream;
    const char *data;
    QVector<BiffRecord> records;
    bool biff8 = true;
    QVector<SheetEntry> sheets;
    QVector<QString> strings;
    std::unique_ptr<CodePageDecoder> decoder;
    SheetCells cells;
};

} // namespace

ReadResult<SheetCells> read_biff_first_sheet(QByteArray stream)
{
    return BiffReader(std::move(stream)).run();
}
