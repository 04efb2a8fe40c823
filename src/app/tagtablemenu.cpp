#include "app/tagtablemenu.h"

#include <QMenu>
#include <QTableWidget>

TagTableMenu::TagTableMenu(QTableWidget &table) : QObject(&table), table(table)
{
    table.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&table, &QWidget::customContextMenuRequested, this, &TagTableMenu::open_menu);
}

QMenu *TagTableMenu::open_menu(const QPoint &pixel)
{
    auto *menu = new QMenu(&table);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("生成标签网格…"), this, &TagTableMenu::grid_chosen);
    menu->addSeparator();
    menu->addAction(QStringLiteral("导出DXF…"), this, &TagTableMenu::dxf_export_chosen);
    menu->addAction(QStringLiteral("导入DXF…"), this, &TagTableMenu::dxf_import_chosen);
    menu->popup(table.viewport()->mapToGlobal(pixel));
    return menu;
}
