#pragma once

#include <QObject>

class QComboBox;
class QMenu;
class QPoint;

// The port box's own context menu: "添加网络串口…". The window carries out
// what is chosen.
class PortBoxMenu : public QObject
{
    Q_OBJECT

public:
    explicit PortBoxMenu(QComboBox &box);

    // The menu as a right click at `pixel` opens it; deleted when closed.
    QMenu *open_menu(const QPoint &pixel);

signals:
    void add_network_port_chosen();

private:
    QComboBox &box;
};
