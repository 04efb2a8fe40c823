#include "app/mainwindow.h"

#include "ui_mainwindowform.h"

#include <QSerialPortInfo>
#include <QTimer>

void MainWindow::on_com_connectBtn_clicked() {}

void MainWindow::on_com_disconnectBtn_clicked() {}

void MainWindow::update_port()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names << info.portName();
    // Compared by name, not only by count: an adapter swapped for another
    // between two refreshes must become selectable.
    if (names == port_names)
        return;
    port_names = names;
    ui->SerialPortBox->clear();
    ui->SerialPortBox->addItems(port_names);
}

void MainWindow::error_timex()
{
    ui->error_label->setStyleSheet(QStringLiteral("image: url(:/image/image/green.png)"));
    error_lamp_timer->stop();
}
