#include "demowindow.h"

#include "app/mainwindow.h"
#include "app/sheettable.h"
#include "tags/sheetengine.h"
#include "ui_mainwindowform.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <qcustomplot.h>

namespace demo
{

namespace
{

// A little room around the floor, so the outline is not cut at its edges.
constexpr double kViewMarginCm = 30;

// Accepts the next message box as soon as it is up; the connect slot waits
// inside the box's own event loop until then.
void accept_next_box(int tries_left)
{
    QTimer::singleShot(10, [tries_left] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            box->accept();
            return;
        }
        if (tries_left > 0)
            accept_next_box(tries_left - 1);
    });
}

} // namespace

void offer_port(MainWindow &window, const QString &port)
{
    QComboBox *box = window.ui->SerialPortBox;
    if (box->findText(port) < 0)
        box->addItem(port);
    box->setCurrentIndex(box->findText(port));
}

void show_floor(MainWindow &window, double floor_cm)
{
    QCustomPlot *plot = window.ui->robot_map;
    const double half = floor_cm / 2 + kViewMarginCm;
    plot->xAxis->setRange(-half, half);
    plot->yAxis->setRange(-half, half);
    plot->replot();
}

void connect_port(MainWindow &window)
{
    accept_next_box(500);
    window.ui->com_connectBtn->click();
}

bool load_workbook(MainWindow &window, const QString &path)
{
    if (!window.sheet_engine->open(path, 1, false))
        return false;
    read_into_table(*window.sheet_engine, window.ui->tableWidget);
    window.sheet_engine->close();
    return true;
}

} // namespace demo
