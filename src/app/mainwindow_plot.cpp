#include "app/mainwindow.h"

void MainWindow::setup_trajectory_plot() {}
void MainWindow::draw_robot_outline(float, float, float) {}
void MainWindow::append_track_point(float, float) {}
void MainWindow::on_locus_clean_clicked() {}
