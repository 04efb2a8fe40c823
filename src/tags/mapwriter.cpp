#include "tags/mapwriter.h"

#include "tags/mapdxf.h"
#include "tags/tagexport.h"
#include "workbook/xlsxwriter.h"

#include <QSaveFile>
#include <QStringList>

bool write_file_whole(const QString &path, const QByteArray &bytes, bool text, QString *error)
{
    QSaveFile file(path);
    const QIODevice::OpenMode mode =
        text ? QIODevice::WriteOnly | QIODevice::Text : QIODevice::WriteOnly;
    if (!file.open(mode) || file.write(bytes) != bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool write_map_file(const QString &path, const QVector<TagRowTexts> &rows, QString *error)
{
    if (path.endsWith(QLatin1String(".dxf"), Qt::CaseInsensitive))
        return write_map_dxf(path, rows, error);
    QVector<QStringList> cells;
    cells.reserve(rows.size());
    for (const TagRowTexts &texts : rows)
        cells.append(QStringList(texts.begin(), texts.end()));
    if (path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        const QByteArray workbook = xlsx_workbook_bytes(cells);
        if (workbook.isEmpty()) {
            *error = QStringLiteral("the workbook could not be packed");
            return false;
        }
        return write_file_whole(path, workbook, false, error);
    }
    return write_file_whole(path, tag_export_bytes(cells), true, error);
}
