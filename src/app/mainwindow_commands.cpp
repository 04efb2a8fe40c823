#include "app/mainwindow.h"

void MainWindow::on_modle1_clicked() {}
void MainWindow::on_modle2_clicked() {}
void MainWindow::on_need_angle_Btn_clicked() {}
void MainWindow::on_NOneed_angle_Btn_clicked() {}
void MainWindow::on_all_clear_clicked() {}
