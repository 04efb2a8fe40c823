#include "workbookfiles.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>
#include <algorithm>
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

QByteArray biff_record(quint16 type, const QByteArray &body)
{
    QByteArray record(4, 0);
    qToLittleEndian<quint16>(type, record.data());
    qToLittleEndian<quint16>(quint16(body.size()), record.data() + 2);
    return record + body;
}

namespace
{

QByteArray little_endian(std::initializer_list<quint16> values)
{
    QByteArray bytes(2 * int(values.size()), 0);
    int at = 0;
    for (quint16 value : values) {
        qToLittleEndian<quint16>(value, bytes.data() + at);
        at += 2;
    }
    return bytes;
}

QByteArray bof(quint16 kind)
{
    // BIFF8, then the kind: 5 the globals, 0x10 a worksheet.
    return biff_record(0x0809, little_endian({0x0600, kind, 0x0DBB, 0x07CC, 0, 0, 6, 0}));
}

} // namespace

QByteArray biff8_workbook(const QVector<QPair<QString, QByteArray>> &sheets,
                          const QByteArray &globals)
{
    const QByteArray eof = biff_record(0x000A);
    // BOUNDSHEET: the offset of the sheet's BOF, visibility, kind, then the
    // name as 8-bit characters.
    const auto bound_sheets = [&](const QVector<quint32> &offsets) {
        QByteArray records;
        for (int i = 0; i < sheets.size(); ++i) {
            const QByteArray name = sheets.at(i).first.toLatin1();
            records += biff_record(0x0085, with_u32_at(QByteArray(4, 0), 0, offsets.value(i)) +
                                               QByteArray("\0\0", 2) + char(name.size()) +
                                               QByteArray(1, 0) + name);
        }
        return records;
    };
    QVector<quint32> offsets;
    quint32 at = quint32(bof(5).size() + globals.size() + bound_sheets({}).size() + eof.size());
    for (const auto &sheet : sheets) {
        offsets << at;
        at += quint32(bof(0x10).size() + sheet.second.size() + eof.size());
    }
    QByteArray stream = bof(5) + globals + bound_sheets(offsets) + eof;
    for (const auto &sheet : sheets)
        stream += bof(0x10) + sheet.second + eof;
    return stream;
}

QByteArray xls_package(const QByteArray &stream)
{
    constexpr int kSector = 512;
    const QByteArray padded = stream + QByteArray(std::max(0, 4096 - int(stream.size())), 0);
    const int stream_sectors = (padded.size() + kSector - 1) / kSector;
    if (2 + stream_sectors > kSector / 4)
        qFatal("workbook stream too long for one allocation-table sector");

    // Header: signature, minor and major version, byte order, sector shifts,
    // one allocation-table sector (sector 0), the directory in sector 1, the
    // mini-stream cutoff, no mini table and no extension sectors.
    QByteArray header(kSector, 0);
    header.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    header.replace(0x18, 10, little_endian({0x3E, 3, 0xFFFE, 9, 6}));
    header = with_u32_at(header, 0x2C, 1);
    header = with_u32_at(header, 0x30, 1);
    header = with_u32_at(header, 0x38, 4096);
    header = with_u32_at(header, 0x3C, 0xFFFFFFFE);
    header = with_u32_at(header, 0x44, 0xFFFFFFFE);
    for (int i = 0; i < 109; ++i)
        header = with_u32_at(header, 0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);

    // Allocation table: itself, the directory, then the stream's chain.
    QByteArray table(kSector, char(0xFF));
    table = with_u32_at(table, 0, 0xFFFFFFFD);
    table = with_u32_at(table, 4, 0xFFFFFFFE);
    for (int i = 0; i < stream_sectors; ++i)
        table = with_u32_at(table, 4 * (2 + i), i + 1 < stream_sectors ? 3 + i : 0xFFFFFFFE);

    const auto entry = [](const QString &name, quint8 type, quint32 child, quint32 start,
                          quint32 size) {
        QByteArray bytes(128, 0);
        for (int i = 0; i < name.size(); ++i)
            qToLittleEndian<quint16>(name.at(i).unicode(), bytes.data() + 2 * i);
        qToLittleEndian<quint16>(quint16(2 * name.size() + 2), bytes.data() + 0x40);
        bytes[0x42] = char(type);
        bytes[0x43] = 1;
        bytes = with_u32_at(bytes, 0x44, 0xFFFFFFFF);
        bytes = with_u32_at(bytes, 0x48, 0xFFFFFFFF);
        bytes = with_u32_at(bytes, 0x4C, child);
        bytes = with_u32_at(bytes, 0x74, start);
        return with_u32_at(bytes, 0x78, size);
    };
    const QByteArray directory =
        entry(QStringLiteral("Root Entry"), 5, 1, 0xFFFFFFFE, 0) +
        entry(QStringLiteral("Workbook"), 2, 0xFFFFFFFF, 2, quint32(padded.size())) +
        QByteArray(2 * 128, 0);
    return header + table + directory + padded +
           QByteArray(stream_sectors * kSector - padded.size(), 0);
}
