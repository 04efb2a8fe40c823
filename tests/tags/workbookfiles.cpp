#include "workbookfiles.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

QString fixture_path(const QString &file_name)
{
    return QStringLiteral(POSCAM_TEST_DATA_DIR "/") + file_name;
}

QByteArray fixture_bytes(const QString &file_name)
{
    QFile file(fixture_path(file_name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("fixture %s is missing", qPrintable(file_name));
    return file.readAll();
}

QByteArray zip_archive(const ZipEntries &entries)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        qFatal("cannot create a ZIP archive in memory");
    for (const auto &entry : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first)))
            qFatal("cannot add a ZIP entry");
        file.write(entry.second);
        file.close();
    }
    zip.close();
    return bytes;
}

QByteArray xlsx_package(const QByteArray &sheet_data, const QByteArray &shared_strings)
{
    const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    ZipEntries entries;
    entries << qMakePair(QStringLiteral("_rels/.rels"),
                         "<?xml version=\"1.0\"?><Relationships><Relationship Id=\"rId1\" Type=\"" +
                             rel +
                             "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    entries << qMakePair(QStringLiteral("xl/workbook.xml"),
                         "<?xml version=\"1.0\"?><workbook xmlns=\"" + main + "\" xmlns:r=\"" +
                             rel +
                             "\"><sheets><sheet name=\"s\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
                             "</workbook>");
    QByteArray links = "<?xml version=\"1.0\"?><Relationships><Relationship Id=\"rId1\" Type=\"" +
                       rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!shared_strings.isEmpty())
        links += "<Relationship Id=\"rId2\" Type=\"" + rel +
                 "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    links += "</Relationships>";
    entries << qMakePair(QStringLiteral("xl/_rels/workbook.xml.rels"), links);
    entries << qMakePair(QStringLiteral("xl/worksheets/sheet1.xml"),
                         sheet_data.startsWith("<?xml") || sheet_data.startsWith("<!DOCTYPE")
                             ? sheet_data
                             : "<?xml version=\"1.0\"?><worksheet xmlns=\"" + main +
                                   "\"><sheetData>" + sheet_data + "</sheetData></worksheet>");
    if (!shared_strings.isEmpty())
        entries << qMakePair(QStringLiteral("xl/sharedStrings.xml"),
                             "<?xml version=\"1.0\"?><sst xmlns=\"" + main + "\">" +
                                 shared_strings + "</sst>");
    return zip_archive(entries);
}

QByteArray ods_package(const QByteArray &table_content)
{
    ZipEntries entries;
    entries << qMakePair(QStringLiteral("mimetype"),
                         QByteArray("application/vnd.oasis.opendocument.spreadsheet"));
    entries << qMakePair(
        QStringLiteral("content.xml"),
        "<?xml version=\"1.0\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
        "<office:spreadsheet><table:table table:name=\"t\">" +
            table_content +
            "</table:table></office:spreadsheet></office:body>"
            "</office:document-content>");
    return zip_archive(entries);
}

QByteArray with_u32_at(QByteArray bytes, int at, quint32 value)
{
    qToLittleEndian<quint32>(value, bytes.data() + at);
    return bytes;
}
