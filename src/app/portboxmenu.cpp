#include "app/portboxmenu.h"

#include <QComboBox>
#include <QMenu>

PortBoxMenu::PortBoxMenu(QComboBox &box) : QObject(&box), box(box)
{
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&box, &QWidget::customContextMenuRequested, this, &PortBoxMenu::open_menu);
}

QMenu *PortBoxMenu::open_menu(const QPoint &pixel)
{
    auto *menu = new QMenu(&box);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("添加网络串口…"), this, &PortBoxMenu::add_network_port_chosen);
    menu->popup(box.mapToGlobal(pixel));
    return menu;
}
