#include "app/mainwindow.h"

#include "protocol/commandframes.h"

#include <QMessageBox>
#include <QSerialPort>

// None of these waits for an answer or looks at the write's result: with no
// port open the frame is simply not sent.

void MainWindow::on_modle1_clicked()
{
    mode_frame = protocol::short_frame(protocol::kModeOneKey);
    write_to_port(mode_frame);
}

void MainWindow::on_modle2_clicked()
{
    mode_frame = protocol::short_frame(protocol::kModeTwoKey);
    write_to_port(mode_frame);
}

void MainWindow::on_need_angle_Btn_clicked()
{
    write_to_port(protocol::angle_frame(true));
}

void MainWindow::on_NOneed_angle_Btn_clicked()
{
    write_to_port(protocol::angle_frame(false));
}

void MainWindow::on_all_clear_clicked()
{
    // Erases the camera's whole tag map, so it is asked first.
    QMessageBox question(QMessageBox::NoIcon, QStringLiteral("注意"),
                         QStringLiteral("确定清除相机内所有二维码位置信息"),
                         QMessageBox::Yes | QMessageBox::No, nullptr,
                         Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    if (question.exec() == QMessageBox::Yes)
        write_to_port(clear_frame);
}
