#include "workbook/odsreader.h"

#include "workbook/xmlsafety.h"
#include "workbook/zippackage.h"

#include <QDateTime>
#include <QVector>
#include <algorithm>

namespace
{

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kLibreOfficeCalc =
    QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");
const QString kSpreadsheetMime = QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");
const QString kContentPart = QStringLiteral("content.xml");

bool is_element(const QXmlStreamReader &xml, const QString &ns, const char *name)
{
    return xml.namespaceUri() == ns && xml.name() == QLatin1String(name);
}

// What was met, with the line of content.xml the reader had reached.
QString at_line(qint64 line, const QString &what)
{
    return QStringLiteral("%1, line %2: %3").arg(kContentPart, QString::number(line), what);
}

Refusal refusal_at(const QXmlStreamReader &xml, RefusalKind kind, const QString &what)
{
    return Refusal{kind, at_line(xml.lineNumber(), what)};
}

Refusal cell_too_long(const QXmlStreamReader &xml)
{
    return refusal_at(
        xml, RefusalKind::CellTooLong,
        QStringLiteral("cell text of more than %1 characters").arg(kMaxCellTextLength));
}

// A repeat count of the element being read; 1 when absent. A count that is
// no positive number counts once, as LibreOffice counts it; one past the
// largest sheet is cut to it, so that the cell bounds still decide.
qint64 repeat_count(const QXmlStreamReader &xml, const char *name, SheetCells &cells)
{
    const QStringView text = xml.attributes().value(kTable, QLatin1String(name));
    if (text.isEmpty())
        return 1;
    constexpr qint64 kLargestSheet = kMaxSheetRows * qint64(kMaxSheetColumns);
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    const QString detail =
        at_line(xml.lineNumber(),
                QStringLiteral("table:%1 \"%2\"").arg(QLatin1String(name), text.left(20)));
    if ((ok && count > kLargestSheet) || (!ok && digits)) {
        cells.note_oddity(QStringLiteral("repeat count past the largest sheet, cut to it"), detail);
        return kLargestSheet;
    }
    if (!ok || count < 1) {
        cells.note_oddity(QStringLiteral("repeat count that is no positive number, read as 1"),
                          detail);
        return 1;
    }
    return count;
}

// The paragraphs of a cell as one text, lines joined by line feeds. Notes
// attached to the cell are not part of its value.
ReadResult<QString> read_cell_paragraphs(QXmlStreamReader &xml)
{
    QString text;
    int paragraphs = 0;
    int depth = 1;
    int paragraph_depth = 0;
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = read_next_safely(xml);
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (is_element(xml, kOffice, "annotation")) {
                skip_element_safely(xml);
                --depth;
            } else if (is_element(xml, kText, "p") || is_element(xml, kText, "h")) {
                if (paragraphs++ > 0)
                    text += QLatin1Char('\n');
                paragraph_depth = depth;
            } else if (is_element(xml, kText, "s")) {
                const QStringView count = xml.attributes().value(kText, QLatin1String("c"));
                const int spaces = count.isEmpty() ? 1 : count.toInt();
                if (spaces < 0)
                    return refusal_at(xml, RefusalKind::Malformed,
                                      QStringLiteral("space count \"%1\"").arg(count.left(20)));
                if (spaces > kMaxCellTextLength - text.size())
                    return cell_too_long(xml);
                text += QString(spaces, QLatin1Char(' '));
            } else if (is_element(xml, kText, "tab")) {
                text += QLatin1Char('\t');
            } else if (is_element(xml, kText, "line-break")) {
                text += QLatin1Char('\n');
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == paragraph_depth)
                paragraph_depth = 0;
            --depth;
        } else if (token == QXmlStreamReader::Characters && paragraph_depth > 0) {
            text += xml.text();
        }
        if (text.size() > kMaxCellTextLength)
            return cell_too_long(xml);
    }
    if (xml.hasError())
        return xml_refusal(xml, kContentPart);
    return text;
}

// The value of one <table:table-cell>, or an empty optional in `value` when
// the cell holds none. A value that does not parse, or of a type not known,
// shows as the cell's text; the refusal when the cell is malformed.
std::optional<Refusal> read_cell_value(QXmlStreamReader &xml, const QDate &null_date,
                                       SheetCells &cells, std::optional<QString> &value)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const QString type = attributes.value(kOffice, QLatin1String("value-type")).toString();
    const bool is_error =
        attributes.value(kLibreOfficeCalc, QLatin1String("value-type")) == QLatin1String("error");
    const qint64 line = xml.lineNumber();
    const ReadResult<QString> paragraphs = read_cell_paragraphs(xml);
    if (!paragraphs)
        return paragraphs.refusal();

    value.reset();
    const auto as_stored = [&](const QString &kind, const QString &what) {
        cells.note_oddity(kind, at_line(line, what));
        if (!paragraphs->isEmpty())
            value = *paragraphs;
        return std::nullopt;
    };
    if (type.isEmpty() || is_error) {
        if (!paragraphs->isEmpty() || is_error)
            value = *paragraphs;
        return std::nullopt;
    }
    if (type == QLatin1String("string")) {
        const QStringView stored = attributes.value(kOffice, QLatin1String("string-value"));
        value = attributes.hasAttribute(kOffice, QLatin1String("string-value")) ? stored.toString()
                                                                                : *paragraphs;
        return std::nullopt;
    }
    if (type == QLatin1String("boolean")) {
        const QStringView flag = attributes.value(kOffice, QLatin1String("boolean-value"));
        value = sheet_boolean_text(flag == QLatin1String("true") || flag == QLatin1String("1"));
        return std::nullopt;
    }
    const bool numeric = type == QLatin1String("float") || type == QLatin1String("percentage") ||
                         type == QLatin1String("currency");
    const char *stored_in = type == QLatin1String("date")   ? "date-value"
                            : type == QLatin1String("time") ? "time-value"
                            : numeric                       ? "value"
                                                            : nullptr;
    if (!stored_in)
        return as_stored(QStringLiteral("value type not known, shown as stored"),
                         QStringLiteral("office:value-type \"%1\"").arg(type.left(20)));
    const QString stored = attributes.value(kOffice, QLatin1String(stored_in)).toString();
    std::optional<double> number;
    if (type == QLatin1String("date")) {
        number = iso_date_serial(stored, null_date);
    } else if (type == QLatin1String("time")) {
        number = iso_duration_days(stored);
    } else {
        bool ok = false;
        value = sheet_number_text(stored.trimmed(), &ok);
        if (ok)
            return std::nullopt;
        value.reset();
    }
    if (!number)
        return as_stored(QStringLiteral("value that does not parse, shown as stored"),
                         QStringLiteral("%1 cell with office:%2 \"%3\"")
                             .arg(type.left(20), QLatin1String(stored_in), stored.left(20)));
    value = sheet_number_text(*number);
    return std::nullopt;
}

struct RowCell {
    qint64 column;
    QString text;
};

class TableWalker
{
public:
    TableWalker(QXmlStreamReader &reader, QDate null) : xml(reader), null_date(null) {}

    // Called at <table:table>; reads up to its end. False with `refusal`
    // set when the table is refused.
    bool read_table()
    {
        int depth = 1;
        while (next_child_element(xml, depth)) {
            if (is_element(xml, kTable, "table-row")) {
                if (!read_row())
                    return false;
            } else if (is_element(xml, kTable, "table-row-group") ||
                       is_element(xml, kTable, "table-header-rows") ||
                       is_element(xml, kTable, "table-rows")) {
                ++depth;
            } else {
                skip_element_safely(xml);
            }
        }
        if (xml.hasError())
            return refuse(xml_refusal(xml, kContentPart));
        return true;
    }

    SheetCells cells;
    Refusal refusal;

private:
    bool refuse(Refusal why)
    {
        refusal = std::move(why);
        return false;
    }

    bool read_row()
    {
        const qint64 rows = repeat_count(xml, "number-rows-repeated", cells);
        QVector<RowCell> values;
        qint64 column = 0;
        int depth = 1;
        while (next_child_element(xml, depth)) {
            if (!is_element(xml, kTable, "table-cell") &&
                !is_element(xml, kTable, "covered-table-cell")) {
                skip_element_safely(xml);
                continue;
            }
            const qint64 columns = repeat_count(xml, "number-columns-repeated", cells);
            std::optional<QString> value;
            if (std::optional<Refusal> refused = read_cell_value(xml, null_date, cells, value))
                return refuse(std::move(*refused));
            if (value) {
                for (qint64 i = 0; i < columns; ++i) {
                    if (column + i >= kMaxSheetColumns)
                        return refuse(refusal_at(
                            xml, RefusalKind::OutsideSheet,
                            QStringLiteral("value repeated past the largest sheet's %1 columns")
                                .arg(kMaxSheetColumns)));
                    if (values.size() >= kMaxSheetCells)
                        return refuse(refusal_at(
                            xml, RefusalKind::TooManyCells,
                            QStringLiteral("row of more than %1 cells").arg(kMaxSheetCells)));
                    values.append(RowCell{column + i, *value});
                }
            }
            column += columns;
        }
        if (xml.hasError())
            return refuse(xml_refusal(xml, kContentPart));
        // A repeated row of values is as many rows of cells; empty ones
        // only move the position.
        if (!values.isEmpty()) {
            for (qint64 i = 0; i < rows; ++i) {
                for (const RowCell &value : values) {
                    if (std::optional<Refusal> refused =
                            cells.add(row + i, value.column, value.text)) {
                        return refuse(refusal_at(xml, refused->kind, refused->reason));
                    }
                }
            }
        }
        row += rows;
        return true;
    }

    QXmlStreamReader &xml;
    QDate null_date;
    qint64 row = 0;
};

// The day that serial number 0 stands for; LibreOffice and the format's
// default use 1899-12-30.
QDate null_date_of(const QXmlStreamAttributes &attributes)
{
    const QDate date = QDate::fromString(
        attributes.value(kTable, QLatin1String("date-value")).toString(), Qt::ISODate);
    return date.isValid() ? date : kSerialDayZero;
}

} // namespace

bool is_ods_package(const ZipPackage &zip)
{
    const ReadResult<QByteArray> mime = zip.read_entry(QStringLiteral("mimetype"));
    return mime && mime->trimmed() == kSpreadsheetMime.toLatin1();
}

ReadResult<SheetCells> read_ods_first_sheet(const ZipPackage &zip)
{
    const ReadResult<QByteArray> content = zip.read_entry(kContentPart);
    if (!content)
        return content.refusal();
    QXmlStreamReader xml(*content);
    QDate null_date = kSerialDayZero;
    bool in_spreadsheet = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = read_next_safely(xml);
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (is_element(xml, kOffice, "spreadsheet")) {
            in_spreadsheet = true;
        } else if (in_spreadsheet && is_element(xml, kTable, "null-date")) {
            null_date = null_date_of(xml.attributes());
        } else if (in_spreadsheet && is_element(xml, kTable, "table")) {
            TableWalker walker(xml, null_date);
            if (!walker.read_table())
                return walker.refusal;
            walker.cells.finish();
            return std::move(walker.cells);
        }
    }
    if (xml.hasError())
        return xml_refusal(xml, kContentPart);
    // A spreadsheet without any table is malformed.
    return Refusal{RefusalKind::Malformed,
                   QStringLiteral("%1 holds no spreadsheet table").arg(kContentPart)};
}
