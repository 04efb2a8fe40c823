// "地图验收": the floor's coverage, the position's steadiness and the
// commissioning report.
#include "app/mainwindow.h"

#include "app/coveragewindow.h"
#include "app/tagmapview.h"
#include "transfer/ledger.h"
#include "transfer/ledgerreader.h"
#include "ui_mainwindowform.h"

#include <QPointF>

void MainWindow::open_coverage_window()
{
    if (!coverage_window)
        coverage_window = new CoverageWindow(*this);
    coverage_window->show();
    coverage_window->raise();
    coverage_window->activateWindow();
}

qint64 MainWindow::steadiness_now_us() const
{
    return steadiness_clock.nsecsElapsed() / 1000;
}

report::SteadinessFigures MainWindow::steadiness_figures()
{
    // The receive loop counts the frames the line spoiled; they are taken
    // over at each refresh, twice a second, which is close enough for a
    // ten-second window. A reopened port starts the loop's count afresh.
    const qint64 total = serial_link.receive.frames_not_applied();
    if (total < not_applied_seen)
        not_applied_seen = 0;
    if (total > not_applied_seen)
        steadiness.add_not_applied(steadiness_now_us(), total - not_applied_seen);
    not_applied_seen = total;
    return steadiness.figures(steadiness_now_us());
}

void MainWindow::restart_steadiness()
{
    steadiness.clear();
}

report::CommissioningReport MainWindow::commissioning_report()
{
    report::CommissioningReport content;
    content.made = QDateTime::currentDateTime();
    content.port = serial_link.device().port_name;
    content.serial_number = serial_link.device().serial_number;
    if (const auto transfer = transfer::last_completed_transfer(
            transfer::ledger_folder(), content.port, content.serial_number)) {
        content.map_source = transfer->source;
        content.map_fingerprint = transfer->fingerprint;
        content.map_transferred = transfer->time_utc;
    }
    content.transfer_limit = transport_limit;
    content.floor = tag_map_view->floor();
    content.trajectory.reserve(track_x.size());
    for (int k = 0; k < track_x.size(); ++k)
        content.trajectory.append(QPointF(track_x.at(k), track_y.at(k)));
    content.steadiness = steadiness_figures();
    content.counters_known = true;
    content.first_count = ui->sendNum_edit->text().toInt();
    content.second_count = ui->allNum_edit->text().toInt();
    return content;
}
