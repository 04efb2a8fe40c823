#include "tagrows.h"

QVector<TagRowTexts> rows_of(const QVector<QStringList> &cells)
{
    QVector<TagRowTexts> rows;
    for (const QStringList &row : cells) {
        TagRowTexts texts;
        for (int column = 0; column < row.size() && column < TAG_TABLE_COLUMNS; ++column)
            texts[column] = row.at(column);
        rows.append(texts);
    }
    return rows;
}
