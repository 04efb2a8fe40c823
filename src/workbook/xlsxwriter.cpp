#include "workbook/xlsxwriter.h"

#include "workbook/sheetcells.h"

#include <QBuffer>
#include <quazip.h>
#include <quazipfile.h>

namespace
{

const char kContentTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>)";
const char kRootRelationships[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
const char kWorkbook[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>)";
const char kWorkbookRelationships[] =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)";

// "A", "B", ..., "Z", "AA", ...
QByteArray column_name(int column)
{
    QByteArray name;
    for (++column; column > 0; column = (column - 1) / 26)
        name.prepend(char('A' + (column - 1) % 26));
    return name;
}

QByteArray sheet_xml(const QVector<QStringList> &rows)
{
    QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
    for (int row = 0; row < rows.size(); ++row) {
        const QByteArray number = QByteArray::number(row + 1);
        xml += "<row r=\"" + number + "\">";
        for (int column = 0; column < rows.at(row).size(); ++column) {
            const QString &text = rows.at(row).at(column);
            if (text.isEmpty())
                continue;
            const QByteArray ref = column_name(column) + number;
            bool is_number = false;
            const QString shown = sheet_number_text(text, &is_number);
            if (is_number && shown == text)
                xml += "<c r=\"" + ref + "\"><v>" + text.toUtf8() + "</v></c>";
            else
                xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" +
                       text.toHtmlEscaped().toUtf8() + "</t></is></c>";
        }
        xml += "</row>";
    }
    return xml + "</sheetData></worksheet>";
}

} // namespace

QByteArray xlsx_workbook_bytes(const QVector<QStringList> &rows)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    const QVector<QPair<QString, QByteArray>> parts = {
        {QStringLiteral("[Content_Types].xml"), kContentTypes},
        {QStringLiteral("_rels/.rels"), kRootRelationships},
        {QStringLiteral("xl/workbook.xml"), kWorkbook},
        {QStringLiteral("xl/_rels/workbook.xml.rels"), kWorkbookRelationships},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheet_xml(rows)},
    };
    for (const auto &part : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(part.first)) ||
            file.write(part.second) != part.second.size())
            return {};
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0 ? buffer.data() : QByteArray();
}
