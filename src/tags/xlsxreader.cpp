#include "tags/xlsxreader.h"

#include "tags/xmlsafety.h"
#include "tags/zippackage.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

namespace
{

const QString kRootRelationships = QStringLiteral("_rels/.rels");

struct Relationship {
    QString type;
    QString target;
};

// Part names inside the package: targets are relative to the folder of the
// part that names them, or absolute from the package root.
QString resolve_part(const QString &base_folder, const QString &target)
{
    QStringList parts;
    if (!target.startsWith(QLatin1Char('/')))
        parts = base_folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &piece : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (piece != QLatin1String("."))
            parts << piece;
    }
    return parts.join(QLatin1Char('/'));
}

QString folder_of(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash);
}

QString relationships_part_of(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return resolve_part(folder_of(part),
                        QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels"));
}

std::optional<QHash<QString, Relationship>> read_relationships(const ZipPackage &zip,
                                                               const QString &part)
{
    const std::optional<QByteArray> bytes = zip.read_entry(part);
    if (!bytes)
        return std::nullopt;
    QHash<QString, Relationship> relationships;
    QXmlStreamReader xml(*bytes);
    while (!xml.atEnd()) {
        if (read_next_safely(xml) != QXmlStreamReader::StartElement ||
            xml.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        relationships.insert(attributes.value(QLatin1String("Id")).toString(),
                             Relationship{attributes.value(QLatin1String("Type")).toString(),
                                          attributes.value(QLatin1String("Target")).toString()});
    }
    if (xml.hasError())
        return std::nullopt;
    return relationships;
}

std::optional<Relationship> find_by_type(const QHash<QString, Relationship> &relationships,
                                         const QString &type_suffix)
{
    for (const Relationship &relationship : relationships)
        if (relationship.type.endsWith(type_suffix))
            return relationship;
    return std::nullopt;
}

// The relationship id of the first <sheet> of the workbook, in tab order.
std::optional<QString> first_sheet_id(const QByteArray &workbook)
{
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd()) {
        if (read_next_safely(xml) != QXmlStreamReader::StartElement ||
            xml.name() != QLatin1String("sheet"))
            continue;
        for (const QXmlStreamAttribute &attribute : xml.attributes())
            if (attribute.name() == QLatin1String("id") && !attribute.namespaceUri().isEmpty())
                return attribute.value().toString();
        return std::nullopt;
    }
    return std::nullopt;
}

// The text of a string item (<si> or <is>): every <t>, rich-text runs
// included, but not the phonetic reading hints of <rPh>.
std::optional<QString> read_string_item(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    int phonetic_depth = 0;
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = read_next_safely(xml);
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic_depth;
            else if (xml.name() == QLatin1String("t") && phonetic_depth == 0) {
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
                --depth;
                if (text.size() > kMaxCellTextLength)
                    return std::nullopt;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == QLatin1String("rPh"))
                --phonetic_depth;
        }
    }
    if (xml.hasError())
        return std::nullopt;
    return text;
}

std::optional<QStringList> read_shared_strings(const QByteArray &bytes)
{
    QStringList strings;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (read_next_safely(xml) != QXmlStreamReader::StartElement ||
            xml.name() != QLatin1String("si"))
            continue;
        // Each string is at least one cell's worth; no more of them are
        // useful than the sheet may hold cells.
        if (strings.size() >= kMaxSheetCells)
            return std::nullopt;
        std::optional<QString> text = read_string_item(xml);
        if (!text)
            return std::nullopt;
        strings << *text;
    }
    if (xml.hasError())
        return std::nullopt;
    return strings;
}

// "BC12" -> 0-based row 11, column 54. False for anything else.
bool parse_cell_reference(QStringRef reference, qint64 &row, qint64 &column)
{
    int at = 0;
    qint64 letters = 0;
    while (at < reference.size() && reference.at(at).isUpper() &&
           reference.at(at).unicode() < 128) {
        letters = letters * 26 + (reference.at(at).unicode() - 'A' + 1);
        if (letters > kMaxSheetColumns)
            return false;
        ++at;
    }
    if (at == 0 || at == reference.size())
        return false;
    bool ok = false;
    const qint64 number = reference.mid(at).toLongLong(&ok, 10);
    if (!ok || number < 1 || !reference.at(at).isDigit())
        return false;
    row = number - 1;
    column = letters - 1;
    return true;
}

// ISO 8601 date-time of a t="d" cell, as the serial day number the other
// cell kinds carry (days since 1899-12-30).
std::optional<double> iso_date_serial(const QString &text)
{
    QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!moment.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (!day.isValid())
            return std::nullopt;
        moment = QDateTime(day, QTime(0, 0));
    }
    const qint64 days = QDate(1899, 12, 30).daysTo(moment.date());
    return double(days) + moment.time().msecsSinceStartOfDay() / 86400000.0;
}

struct RawCell {
    QString type;
    QString value;
    bool has_value = false;
    std::optional<QString> inline_text;
};

std::optional<QString> cell_text(const RawCell &cell, const QStringList &shared)
{
    if (cell.type == QLatin1String("inlineStr") || (cell.inline_text && !cell.has_value))
        return cell.inline_text.value_or(QString());
    if (cell.type == QLatin1String("s")) {
        bool ok = false;
        const int index = cell.value.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= shared.size())
            return std::nullopt;
        return shared.at(index);
    }
    if (cell.type == QLatin1String("str") || cell.type == QLatin1String("e"))
        return cell.value;
    if (cell.type == QLatin1String("b"))
        return sheet_boolean_text(cell.value.trimmed() != QLatin1String("0"));
    if (cell.type == QLatin1String("d")) {
        const std::optional<double> serial = iso_date_serial(cell.value.trimmed());
        return serial ? std::optional<QString>(sheet_number_text(*serial)) : std::nullopt;
    }
    bool ok = false;
    const QString text = sheet_number_text(cell.value.trimmed(), &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

bool read_cell(QXmlStreamReader &xml, RawCell &cell)
{
    int depth = 1;
    while (next_child_element(xml, depth)) {
        if (xml.name() == QLatin1String("v")) {
            cell.value = xml.readElementText();
            cell.has_value = true;
        } else if (xml.name() == QLatin1String("is")) {
            cell.inline_text = read_string_item(xml);
            if (!cell.inline_text)
                return false;
        } else {
            skip_element_safely(xml);
        }
    }
    return !xml.hasError();
}

std::optional<SheetCells> read_sheet(const QByteArray &bytes, const QStringList &shared)
{
    SheetCells cells;
    QXmlStreamReader xml(bytes);
    bool in_sheet_data = false;
    qint64 row = -1;
    qint64 column = -1;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = read_next_safely(xml);
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("sheetData"))
            in_sheet_data = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("sheetData")) {
            in_sheet_data = true;
        } else if (in_sheet_data && xml.name() == QLatin1String("row")) {
            // Rows and cells may leave out their reference; they then follow
            // the one before.
            const QStringRef number = xml.attributes().value(QLatin1String("r"));
            bool ok = true;
            row = number.isEmpty() ? row + 1 : number.toLongLong(&ok) - 1;
            if (!ok || row < 0 || row >= kMaxSheetRows)
                return std::nullopt;
            column = -1;
        } else if (in_sheet_data && xml.name() == QLatin1String("c")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringRef reference = attributes.value(QLatin1String("r"));
            qint64 cell_row = row < 0 ? 0 : row;
            qint64 cell_column = column + 1;
            if (!reference.isEmpty() && !parse_cell_reference(reference, cell_row, cell_column))
                return std::nullopt;
            row = cell_row;
            column = cell_column;
            RawCell cell;
            cell.type = attributes.value(QLatin1String("t")).toString();
            if (!read_cell(xml, cell))
                return std::nullopt;
            // A cell with only a style holds no value and is not part of the
            // used range.
            if (!cell.has_value && !cell.inline_text)
                continue;
            const std::optional<QString> text = cell_text(cell, shared);
            if (!text || !cells.add(cell_row, cell_column, *text))
                return std::nullopt;
        }
    }
    if (xml.hasError())
        return std::nullopt;
    cells.finish();
    return cells;
}

} // namespace

bool is_xlsx_package(const ZipPackage &zip)
{
    return zip.has_entry(kRootRelationships);
}

std::optional<SheetCells> read_xlsx_first_sheet(const ZipPackage &zip)
{
    const auto root = read_relationships(zip, kRootRelationships);
    if (!root)
        return std::nullopt;
    const auto document = find_by_type(*root, QStringLiteral("/officeDocument"));
    if (!document)
        return std::nullopt;
    const QString workbook_part = resolve_part(QString(), document->target);
    const std::optional<QByteArray> workbook = zip.read_entry(workbook_part);
    if (!workbook)
        return std::nullopt;
    const std::optional<QString> sheet_id = first_sheet_id(*workbook);
    const auto workbook_links = read_relationships(zip, relationships_part_of(workbook_part));
    if (!sheet_id || !workbook_links || !workbook_links->contains(*sheet_id))
        return std::nullopt;

    const QString folder = folder_of(workbook_part);
    QStringList shared;
    if (const auto strings = find_by_type(*workbook_links, QStringLiteral("/sharedStrings"))) {
        const std::optional<QByteArray> bytes =
            zip.read_entry(resolve_part(folder, strings->target));
        if (!bytes)
            return std::nullopt;
        std::optional<QStringList> parsed = read_shared_strings(*bytes);
        if (!parsed)
            return std::nullopt;
        shared = std::move(*parsed);
    }
    const std::optional<QByteArray> sheet =
        zip.read_entry(resolve_part(folder, workbook_links->value(*sheet_id).target));
    if (!sheet)
        return std::nullopt;
    return read_sheet(*sheet, shared);
}
