#include "app/mainwindow.h"

#include "app/netportdialog.h"
#include "app/portboxmenu.h"
#include "ui_mainwindowform.h"

void MainWindow::setup_port_box_menu()
{
    port_box_menu = new PortBoxMenu(*ui->SerialPortBox);
    connect(port_box_menu, &PortBoxMenu::add_network_port_chosen, this,
            &MainWindow::add_network_port);
}

void MainWindow::add_network_port()
{
    NetPortDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::optional<netport::NetAddress> address = dialog.address();
    if (!address)
        return;
    const QString name = address->text();
    if (!network_ports.contains(name))
        network_ports << name;
    update_port();
    ui->SerialPortBox->setCurrentText(name);
}
