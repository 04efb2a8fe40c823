#include "workbook/xlsxreader.h"

#include "workbook/xmlsafety.h"
#include "workbook/zippackage.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <algorithm>

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

ReadResult<QHash<QString, Relationship>> read_relationships(const ZipPackage &zip,
                                                            const QString &part)
{
    const ReadResult<QByteArray> bytes = zip.read_entry(part);
    if (!bytes)
        return bytes.refusal();
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
        return xml_refusal(xml, part);
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

struct WorkbookFacts {
    QString first_sheet_id; // the relationship id of the first <sheet>, in tab order
    QDate day_zero = kSerialDayZero;
};

// The day serial 0 stands for in a workbook of the 1904 date system, as its
// numbers count and so its ISO dates must too.
const QDate kSerialDayZero1904(1904, 1, 1);

ReadResult<WorkbookFacts> read_workbook_facts(const QByteArray &workbook, const QString &part)
{
    WorkbookFacts facts;
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd()) {
        if (read_next_safely(xml) != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("workbookPr")) {
            const QStringView flag = xml.attributes().value(QLatin1String("date1904"));
            if (flag == QLatin1String("1") || flag == QLatin1String("true"))
                facts.day_zero = kSerialDayZero1904;
            continue;
        }
        if (xml.name() != QLatin1String("sheet"))
            continue;
        for (const QXmlStreamAttribute &attribute : xml.attributes()) {
            if (attribute.name() == QLatin1String("id") && !attribute.namespaceUri().isEmpty()) {
                facts.first_sheet_id = attribute.value().toString();
                return facts;
            }
        }
        return Refusal{RefusalKind::Malformed,
                       QStringLiteral("%1: first sheet has no relationship id").arg(part)};
    }
    if (xml.hasError())
        return xml_refusal(xml, part);
    return Refusal{RefusalKind::Malformed, QStringLiteral("%1 lists no sheet").arg(part)};
}

Refusal string_too_long(const QString &part)
{
    return Refusal{RefusalKind::CellTooLong, QStringLiteral("%1: string of more than %2 characters")
                                                 .arg(part, QString::number(kMaxCellTextLength))};
}

int hex_digit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Office writes characters that XML cannot carry (carriage returns, other
// control characters) as _xHHHH_, one UTF-16 unit each; a literal text of
// that shape has its leading underscore written as _x005F_.
QString decode_escapes(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (int at = 0; at < text.size();) {
        if (text.at(at) == QLatin1Char('_') && at + 6 < text.size() &&
            text.at(at + 1) == QLatin1Char('x') && text.at(at + 6) == QLatin1Char('_')) {
            int unit = 0;
            int digit = 0;
            for (int i = 2; i < 6 && (digit = hex_digit(text.at(at + i))) >= 0; ++i)
                unit = unit * 16 + digit;
            if (digit >= 0) {
                out += QChar(ushort(unit));
                at += 7;
                continue;
            }
        }
        out += text.at(at++);
    }
    return out;
}

// The text of a string item (<si> or <is>): every <t>, rich-text runs
// included, but not the phonetic reading hints of <rPh>.
ReadResult<QString> read_string_item(QXmlStreamReader &xml, const QString &part)
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
                text += decode_escapes(xml.readElementText(QXmlStreamReader::IncludeChildElements));
                --depth;
                if (text.size() > kMaxCellTextLength)
                    return string_too_long(part);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == QLatin1String("rPh"))
                --phonetic_depth;
        }
    }
    if (xml.hasError())
        return xml_refusal(xml, part);
    return text;
}

ReadResult<QStringList> read_shared_strings(const QByteArray &bytes, const QString &part)
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
            return Refusal{RefusalKind::TooManyCells,
                           QStringLiteral("%1: more strings than the %2 cells a sheet may hold")
                               .arg(part, QString::number(kMaxSheetCells))};
        ReadResult<QString> text = read_string_item(xml, part);
        if (!text)
            return text.refusal();
        strings << *text;
    }
    if (xml.hasError())
        return xml_refusal(xml, part);
    return strings;
}

// "BC12" -> 0-based row 11, column 54; some writers use lower case ("bc12").
// False for anything else. Columns
// past the largest sheet are kept as kMaxSheetColumns, for the caller to
// refuse by name.
bool parse_cell_reference(QStringView reference, qint64 &row, qint64 &column)
{
    int at = 0;
    qint64 letters = 0;
    while (at < reference.size()) {
        const ushort letter = reference.at(at).unicode() & ~ushort(0x20);
        if (reference.at(at).unicode() >= 128 || letter < 'A' || letter > 'Z')
            break;
        letters = std::min<qint64>(letters * 26 + (letter - 'A' + 1), kMaxSheetColumns + 1);
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

struct RawCell {
    QString type;
    QString value;
    bool has_value = false;
    std::optional<QString> inline_text;
};

// "part, row 3, column 2", 1-based, for the reasons a cell is refused.
QString cell_place(const QString &part, qint64 row, qint64 column)
{
    return QStringLiteral("%1, row %2, column %3")
        .arg(part, QString::number(row + 1), QString::number(column + 1));
}

// A date-typed cell's value: a date or date-time counted from the workbook's
// day zero, a time of day, or a duration, all in days.
std::optional<double> date_cell_serial(const QString &stored, const QDate &day_zero)
{
    if (const std::optional<double> serial = iso_date_serial(stored, day_zero))
        return serial;
    const QTime time = QTime::fromString(stored, Qt::ISODateWithMs);
    if (time.isValid())
        return time.msecsSinceStartOfDay() / 86400000.0;
    return iso_duration_days(stored);
}

// The text the cell shows; nothing when it holds no value. A value that
// cannot be understood shows as it is stored (an unknown shared string
// leaves the cell empty) and is noted on `cells`, never refusing the sheet.
std::optional<QString> cell_text(const RawCell &cell, const QStringList &shared,
                                 const QDate &day_zero, SheetCells &cells, const QString &place)
{
    // The inline string is the value of a cell that has one, whatever else
    // the writer put beside it.
    if (cell.inline_text)
        return *cell.inline_text;
    if (cell.type == QLatin1String("inlineStr"))
        return decode_escapes(cell.value);
    if (cell.type == QLatin1String("str") || cell.type == QLatin1String("e"))
        return decode_escapes(cell.value);
    const QString stored = cell.value.trimmed();
    // An empty <v/> holds no value, whatever the cell's type.
    if (stored.isEmpty())
        return std::nullopt;
    if (cell.type == QLatin1String("s")) {
        bool ok = false;
        const int index = stored.toInt(&ok);
        if (ok && index >= 0 && index < shared.size())
            return shared.at(index);
        cells.note_oddity(QStringLiteral("shared string index not among those stored"),
                          QStringLiteral("%1: \"%2\", %3 stored")
                              .arg(place, stored.left(20), QString::number(shared.size())));
        return std::nullopt;
    }
    if (cell.type == QLatin1String("b"))
        return sheet_boolean_text(stored != QLatin1String("0"));
    if (cell.type == QLatin1String("d")) {
        if (const std::optional<double> serial = date_cell_serial(stored, day_zero))
            return sheet_number_text(*serial);
        cells.note_oddity(QStringLiteral("date cell that is no date, shown as stored"),
                          QStringLiteral("%1: \"%2\"").arg(place, stored.left(40)));
        return cell.value;
    }
    bool ok = false;
    const QString text = sheet_number_text(stored, &ok);
    if (ok)
        return text;
    cells.note_oddity(QStringLiteral("number cell that is no number, shown as stored"),
                      QStringLiteral("%1: \"%2\"").arg(place, stored.left(40)));
    return cell.value;
}

std::optional<Refusal> read_cell(QXmlStreamReader &xml, RawCell &cell, const QString &part)
{
    int depth = 1;
    while (next_child_element(xml, depth)) {
        if (xml.name() == QLatin1String("v")) {
            cell.value = xml.readElementText();
            cell.has_value = true;
        } else if (xml.name() == QLatin1String("is")) {
            const ReadResult<QString> text = read_string_item(xml, part);
            if (!text)
                return text.refusal();
            cell.inline_text = *text;
        } else {
            skip_element_safely(xml);
        }
    }
    if (xml.hasError())
        return xml_refusal(xml, part);
    return std::nullopt;
}

ReadResult<SheetCells> read_sheet(const QByteArray &bytes, const QStringList &shared,
                                  const QDate &day_zero, const QString &part)
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
            const QStringView number = xml.attributes().value(QLatin1String("r"));
            bool ok = true;
            const qint64 numbered = number.isEmpty() ? row + 2 : number.toLongLong(&ok);
            if (ok && numbered >= 1) {
                row = numbered - 1;
            } else {
                cells.note_oddity(
                    QStringLiteral("row number that is none, taken as the next row"),
                    QStringLiteral("%1, line %2: \"%3\"")
                        .arg(part, QString::number(xml.lineNumber()), number.left(20).toString()));
                ++row;
            }
            if (row >= kMaxSheetRows)
                return Refusal{
                    RefusalKind::OutsideSheet,
                    QStringLiteral("%1: row %2 lies past the largest sheet's %3 rows")
                        .arg(part, QString::number(row + 1), QString::number(kMaxSheetRows))};
            column = -1;
        } else if (in_sheet_data && xml.name() == QLatin1String("c")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView reference = attributes.value(QLatin1String("r"));
            qint64 cell_row = row < 0 ? 0 : row;
            qint64 cell_column = column + 1;
            if (!reference.isEmpty()) {
                if (!parse_cell_reference(reference, cell_row, cell_column)) {
                    cells.note_oddity(
                        QStringLiteral("cell reference that is none, taken as the next cell"),
                        QStringLiteral("%1, line %2: \"%3\"")
                            .arg(part, QString::number(xml.lineNumber()),
                                 reference.left(20).toString()));
                    cell_row = row < 0 ? 0 : row;
                    cell_column = column + 1;
                } else if (cell_column >= kMaxSheetColumns)
                    return Refusal{RefusalKind::OutsideSheet,
                                   QStringLiteral("%1: cell %2 lies past the largest sheet's %3 "
                                                  "columns")
                                       .arg(part, reference.left(20).toString(),
                                            QString::number(kMaxSheetColumns))};
            }
            row = cell_row;
            column = cell_column;
            RawCell cell;
            cell.type = attributes.value(QLatin1String("t")).toString();
            if (const std::optional<Refusal> refused = read_cell(xml, cell, part))
                return *refused;
            // A cell with only a style holds no value and is not part of the
            // used range.
            if (!cell.has_value && !cell.inline_text)
                continue;
            const std::optional<QString> text =
                cell_text(cell, shared, day_zero, cells, cell_place(part, cell_row, cell_column));
            if (!text)
                continue;
            if (std::optional<Refusal> refused = cells.add(cell_row, cell_column, *text)) {
                refused->reason.prepend(part + QStringLiteral(": "));
                return *refused;
            }
        }
    }
    if (xml.hasError())
        return xml_refusal(xml, part);
    cells.finish();
    return cells;
}

} // namespace

bool is_xlsx_package(const ZipPackage &zip)
{
    return zip.has_entry(kRootRelationships);
}

ReadResult<SheetCells> read_xlsx_first_sheet(const ZipPackage &zip)
{
    const auto root = read_relationships(zip, kRootRelationships);
    if (!root)
        return root.refusal();
    const auto document = find_by_type(*root, QStringLiteral("/officeDocument"));
    if (!document)
        return Refusal{RefusalKind::Malformed,
                       QStringLiteral("%1 names no workbook part").arg(kRootRelationships)};
    const QString workbook_part = resolve_part(QString(), document->target);
    const ReadResult<QByteArray> workbook = zip.read_entry(workbook_part);
    if (!workbook)
        return workbook.refusal();
    const ReadResult<WorkbookFacts> facts = read_workbook_facts(*workbook, workbook_part);
    if (!facts)
        return facts.refusal();
    const QString *const sheet_id = &facts->first_sheet_id;
    const QString links_part = relationships_part_of(workbook_part);
    const auto workbook_links = read_relationships(zip, links_part);
    if (!workbook_links)
        return workbook_links.refusal();
    if (!workbook_links->contains(*sheet_id))
        return Refusal{RefusalKind::Malformed,
                       QStringLiteral("%1 has no relationship %2 for the first sheet")
                           .arg(links_part, sheet_id->left(40))};

    const QString folder = folder_of(workbook_part);
    QStringList shared;
    if (const auto strings = find_by_type(*workbook_links, QStringLiteral("/sharedStrings"))) {
        // Writers name the part even when they left it out for a sheet that
        // uses none; a cell that does use one is then noted by the sheet.
        const QString strings_part = resolve_part(folder, strings->target);
        if (zip.has_entry(strings_part)) {
            const ReadResult<QByteArray> bytes = zip.read_entry(strings_part);
            if (!bytes)
                return bytes.refusal();
            ReadResult<QStringList> parsed = read_shared_strings(*bytes, strings_part);
            if (!parsed)
                return parsed.refusal();
            shared = std::move(*parsed);
        }
    }
    const QString sheet_part = resolve_part(folder, workbook_links->value(*sheet_id).target);
    const ReadResult<QByteArray> sheet = zip.read_entry(sheet_part);
    if (!sheet)
        return sheet.refusal();
    return read_sheet(*sheet, shared, facts->day_zero, sheet_part);
}
