#include "tags/tagexport.h"

QByteArray tag_export_bytes(const QVector<QStringList> &rows)
{
    QString text;
    for (int row = 0; row < rows.size(); ++row) {
        if (row > 0)
            text += QLatin1Char('\n');
        for (const QString &cell : rows.at(row)) {
            text += cell;
            text += QLatin1Char('\t');
        }
    }
    return text.toUtf8();
}
