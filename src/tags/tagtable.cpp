#include "tags/tagtable.h"

QStringList tag_table_headers()
{
    return {QStringLiteral("二维码id"), QStringLiteral("x坐标(cm)"), QStringLiteral("y坐标(cm)"),
            QStringLiteral("边长(mm)"), QStringLiteral("角度(°)")};
}

QString tag_table_header_style()
{
    return QStringLiteral("QHeaderView::section {background-color: green(x1:0, y1:0, x2:0, y2:1,") +
           QString(60, QLatin1Char(' ')) +
           QStringLiteral(
               "stop:0 #00007f, stop: 0.5 #00007f,stop: 0.6 #00007f, stop:1 #00007f);color: "
               "white;*/}");
}
