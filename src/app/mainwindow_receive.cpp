#include "app/mainwindow.h"

void MainWindow::Read_Data() {}

void MainWindow::decode_frame() {}
