#include "report/pdftext.h"

#include <QFile>
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QRegularExpression>
#include <QSaveFile>

namespace report
{

namespace
{

constexpr char16_t kFirstRadical = 0x2E80; // CJK Radicals Supplement, then Kangxi Radicals
constexpr char16_t kLastRadical = 0x2FDF;
constexpr char16_t kFirstIdeograph = 0x4E00; // CJK Unified Ideographs
constexpr char16_t kLastIdeograph = 0x9FFF;

quint32 glyph_of(const QRawFont &font, char16_t code)
{
    const QVector<quint32> glyphs = font.glyphIndexesForString(QString(QChar(code)));
    return glyphs.isEmpty() ? 0 : glyphs.first();
}

// Radical -> the ideograph the font draws with the same glyph.
QHash<char16_t, char16_t> radical_ideographs(const QString &font_family)
{
    const QRawFont font = QRawFont::fromFont(QFont(font_family));
    QHash<quint32, char16_t> radical_of_glyph;
    for (char16_t code = kFirstRadical; code <= kLastRadical; ++code)
        if (const quint32 glyph = glyph_of(font, code))
            radical_of_glyph.insert(glyph, code);
    QHash<char16_t, char16_t> ideograph;
    if (radical_of_glyph.isEmpty())
        return ideograph;
    QString all;
    for (char16_t code = kFirstIdeograph; code <= kLastIdeograph; ++code)
        all.append(QChar(code));
    const QVector<quint32> glyphs = font.glyphIndexesForString(all);
    for (int k = 0; k < glyphs.size() && k < all.size(); ++k) {
        const auto radical = radical_of_glyph.constFind(glyphs.at(k));
        if (radical != radical_of_glyph.constEnd() && !ideograph.contains(radical.value()))
            ideograph.insert(radical.value(), all.at(k).unicode());
    }
    return ideograph;
}

} // namespace

bool map_radicals_to_ideographs(const QString &path, const QString &font_family)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray pdf = in.readAll();
    in.close();
    const QHash<char16_t, char16_t> ideograph = radical_ideographs(font_family);
    if (ideograph.isEmpty())
        return true;

    // Within each character map's ranges, every <XXXX> that names a radical.
    static const QRegularExpression code(QStringLiteral("<(2[EF][0-9A-F]{2})>"));
    bool changed = false;
    int from = 0;
    while ((from = pdf.indexOf("beginbfrange", from)) >= 0) {
        const int end = pdf.indexOf("endbfrange", from);
        if (end < 0)
            break;
        const QString ranges = QString::fromLatin1(pdf.mid(from, end - from));
        QRegularExpressionMatchIterator it = code.globalMatch(ranges);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            const auto radical = char16_t(match.captured(1).toUShort(nullptr, 16));
            const auto found = ideograph.constFind(radical);
            if (found == ideograph.constEnd())
                continue;
            const QByteArray replacement =
                QByteArray::number(found.value(), 16).toUpper().rightJustified(4, '0');
            pdf.replace(from + match.capturedStart(1), 4, replacement);
            changed = true;
        }
        from = end;
    }
    if (!changed)
        return true;
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(pdf) == pdf.size() && out.commit();
}

} // namespace report
