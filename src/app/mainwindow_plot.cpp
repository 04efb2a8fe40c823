#include "app/mainwindow.h"

#include "app/plotmenu.h"
#include "plot/plotview.h"
#include "plot/renderpacer.h"
#include "plot/trajectoryplot.h"
#include "ui_mainwindowform.h"

#include <algorithm>

void MainWindow::setup_trajectory_plot()
{
    plot::setup_position_plot(*ui->robot_map);
    render_pacer = new plot::RenderPacer(*ui->robot_map);
    plot_menu = new PlotMenu(*ui->robot_map);
    plot::PlotView *view = &plot_menu->view();
    render_pacer->set_before_frame([view] { view->follow_robot(); });
    plot_menu->offer_coverage([this] { open_coverage_window(); });
}

void MainWindow::draw_robot_outline(float x, float y, float angle)
{
    const plot::OutlineCorners corners = plot::robot_outline(x, y, angle);
    std::copy(corners.begin(), corners.end(), corner_points);
    plot::show_outline(*ui->robot_map, corners);
}

void MainWindow::append_track_point(float x, float y)
{
    plot::append_to_track(*ui->robot_map, track_x, track_y, max_track_points, x, y);
}

void MainWindow::on_locus_clean_clicked()
{
    track_x.resize(0);
    track_y.resize(0);
    plot::clear_track(*ui->robot_map);
    render_pacer->request();
}
