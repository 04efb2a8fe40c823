#include "workbook/textsheetreader.h"

#include "workbook/textcodec.h"

#include <QStringList>
#include <utility>

namespace
{

ReadResult<QString> decode_utf8(const QByteArray &bytes)
{
    std::optional<QString> decoded = decode_utf8_strictly(bytes);
    if (!decoded)
        return Refusal{RefusalKind::NotAWorkbook,
                       QStringLiteral("neither a known workbook format nor UTF-8 text")};
    QString text = std::move(*decoded);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// Splits one comma-separated line; a field that starts with a double quote
// runs to the closing quote, "" inside it standing for one quote.
QStringList split_comma_line(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    bool at_field_start = true;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() &&
                line.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
            at_field_start = true;
            continue;
        } else if (c == QLatin1Char('"') && at_field_start) {
            quoted = true;
        } else {
            field += c;
        }
        at_field_start = false;
    }
    fields << field;
    return fields;
}

} // namespace

ReadResult<SheetCells> read_text_sheet(const QByteArray &bytes)
{
    if (bytes.contains('\0'))
        return Refusal{RefusalKind::NotAWorkbook,
                       QStringLiteral("binary data of no known workbook format")};
    const ReadResult<QString> text = decode_utf8(bytes);
    if (!text)
        return text.refusal();
    const bool tabs = text->contains(QLatin1Char('\t'));
    QStringList lines = text->split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    SheetCells cells;
    if (text->isEmpty()) {
        cells.finish();
        return cells;
    }
    for (int row = 0; row < lines.size(); ++row) {
        QString line = lines.at(row);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList fields = tabs ? line.split(QLatin1Char('\t')) : split_comma_line(line);
        for (int column = 0; column < fields.size(); ++column)
            if (std::optional<Refusal> refused = cells.add(row, column, fields.at(column)))
                return *refused;
    }
    cells.finish();
    return cells;
}
