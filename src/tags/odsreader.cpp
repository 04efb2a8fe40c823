#include "tags/odsreader.h"

#include "tags/xmlsafety.h"
#include "tags/zippackage.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QVector>

namespace
{

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kLibreOfficeCalc =
    QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");
const QString kSpreadsheetMime = QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");

bool is_element(const QXmlStreamReader &xml, const QString &ns, const char *name)
{
    return xml.namespaceUri() == ns && xml.name() == QLatin1String(name);
}

// A repeat count; 1 when absent, nothing when malformed.
std::optional<qint64> repeat_count(const QXmlStreamAttributes &attributes, const char *name)
{
    const QStringRef text = attributes.value(kTable, QLatin1String(name));
    if (text.isEmpty())
        return 1;
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    if (!ok || count < 1 || count > kMaxSheetRows * qint64(kMaxSheetColumns))
        return std::nullopt;
    return count;
}

// "PT12H30M15.5S" -> fraction of a day.
std::optional<double> duration_days(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(-)?P(?:(\d+)D)?(?:T(?:(\d+)H)?(?:(\d+)M)?(?:(\d+(?:\.\d+)?)S)?)?$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const double seconds = match.captured(2).toDouble() * 86400 +
                           match.captured(3).toDouble() * 3600 + match.captured(4).toDouble() * 60 +
                           match.captured(5).toDouble();
    return (match.captured(1).isEmpty() ? 1 : -1) * seconds / 86400;
}

std::optional<double> date_serial(const QString &text, const QDate &null_date)
{
    QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!moment.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (!day.isValid())
            return std::nullopt;
        moment = QDateTime(day, QTime(0, 0));
    }
    return double(null_date.daysTo(moment.date())) +
           moment.time().msecsSinceStartOfDay() / 86400000.0;
}

// The paragraphs of a cell as one text, lines joined by line feeds. Notes
// attached to the cell are not part of its value.
std::optional<QString> read_cell_paragraphs(QXmlStreamReader &xml)
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
                const QStringRef count = xml.attributes().value(kText, QLatin1String("c"));
                const int spaces = count.isEmpty() ? 1 : count.toInt();
                if (spaces < 0 || spaces > kMaxCellTextLength - text.size())
                    return std::nullopt;
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
            return std::nullopt;
    }
    if (xml.hasError())
        return std::nullopt;
    return text;
}

// The value of one <table:table-cell>, or an empty optional in `value` when
// the cell holds none. False when the cell is malformed.
bool read_cell_value(QXmlStreamReader &xml, const QDate &null_date, std::optional<QString> &value)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const QString type = attributes.value(kOffice, QLatin1String("value-type")).toString();
    const bool is_error =
        attributes.value(kLibreOfficeCalc, QLatin1String("value-type")) == QLatin1String("error");
    const std::optional<QString> paragraphs = read_cell_paragraphs(xml);
    if (!paragraphs)
        return false;

    value.reset();
    if (type.isEmpty() || is_error) {
        if (!paragraphs->isEmpty() || is_error)
            value = *paragraphs;
        return true;
    }
    if (type == QLatin1String("string")) {
        const QStringRef stored = attributes.value(kOffice, QLatin1String("string-value"));
        value = attributes.hasAttribute(kOffice, QLatin1String("string-value")) ? stored.toString()
                                                                                : *paragraphs;
        return true;
    }
    if (type == QLatin1String("boolean")) {
        const QStringRef flag = attributes.value(kOffice, QLatin1String("boolean-value"));
        value = sheet_boolean_text(flag == QLatin1String("true") || flag == QLatin1String("1"));
        return true;
    }
    std::optional<double> number;
    if (type == QLatin1String("date")) {
        number = date_serial(attributes.value(kOffice, QLatin1String("date-value")).toString(),
                             null_date);
    } else if (type == QLatin1String("time")) {
        number = duration_days(attributes.value(kOffice, QLatin1String("time-value")).toString());
    } else {
        bool ok = false;
        value = sheet_number_text(
            attributes.value(kOffice, QLatin1String("value")).toString().trimmed(), &ok);
        if (!ok)
            value.reset();
        return ok;
    }
    if (!number)
        return false;
    value = sheet_number_text(*number);
    return true;
}

struct RowCell {
    qint64 column;
    QString text;
};

class TableWalker
{
public:
    TableWalker(QXmlStreamReader &reader, QDate null) : xml(reader), null_date(null) {}

    // Called at <table:table>; reads up to its end.
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
        return !xml.hasError();
    }

    SheetCells cells;

private:
    bool read_row()
    {
        const std::optional<qint64> rows = repeat_count(xml.attributes(), "number-rows-repeated");
        if (!rows)
            return false;
        QVector<RowCell> values;
        qint64 column = 0;
        int depth = 1;
        while (next_child_element(xml, depth)) {
            if (!is_element(xml, kTable, "table-cell") &&
                !is_element(xml, kTable, "covered-table-cell")) {
                skip_element_safely(xml);
                continue;
            }
            const std::optional<qint64> columns =
                repeat_count(xml.attributes(), "number-columns-repeated");
            std::optional<QString> value;
            if (!columns || !read_cell_value(xml, null_date, value))
                return false;
            if (value) {
                for (qint64 i = 0; i < *columns; ++i) {
                    if (column + i >= kMaxSheetColumns || values.size() >= kMaxSheetCells)
                        return false;
                    values.append(RowCell{column + i, *value});
                }
            }
            column += *columns;
        }
        if (xml.hasError())
            return false;
        // A repeated row of values is as many rows of cells; empty ones
        // only move the position.
        if (!values.isEmpty()) {
            for (qint64 i = 0; i < *rows; ++i)
                for (const RowCell &value : values)
                    if (!cells.add(row + i, value.column, value.text))
                        return false;
        }
        row += *rows;
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
    return date.isValid() ? date : QDate(1899, 12, 30);
}

} // namespace

bool is_ods_package(const ZipPackage &zip)
{
    const std::optional<QByteArray> mime = zip.read_entry(QStringLiteral("mimetype"));
    return mime && mime->trimmed() == kSpreadsheetMime.toLatin1();
}

std::optional<SheetCells> read_ods_first_sheet(const ZipPackage &zip)
{
    const std::optional<QByteArray> content = zip.read_entry(QStringLiteral("content.xml"));
    if (!content)
        return std::nullopt;
    QXmlStreamReader xml(*content);
    QDate null_date(1899, 12, 30);
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
                return std::nullopt;
            walker.cells.finish();
            return std::move(walker.cells);
        }
    }
    // A spreadsheet without any table is malformed.
    return std::nullopt;
}
