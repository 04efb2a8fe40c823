#include "app/mainwindow.h"

void MainWindow::on_transport_s_clicked() {}
void MainWindow::on_transport_e_clicked() {}
void MainWindow::slot_timeout() {}
void MainWindow::on_transportNum_Btn_clicked() {}
