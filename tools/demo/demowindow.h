#pragma once

#include <QString>

class MainWindow;

// What the demo does to poscam's window before the operator takes over. The
// window itself stays as it is: the port goes into the port box the way the
// system's enumeration would have put it there, had it listed
// pseudo-terminals.
namespace demo
{

// Adds `port` to SerialPortBox and selects it.
void offer_port(MainWindow &window, const QString &port);

// Shows the square floor of side `floor_cm` centred on 0,0 in the plot, so
// that the robot is in view from the first report. The operator can still
// drag and zoom.
void show_floor(MainWindow &window, double floor_cm);

// Presses "连接" and accepts the box that reports the result.
void connect_port(MainWindow &window);

// Fills the tag table from `path` the way "导入" does once its question and
// file dialogue are answered. False when the workbook cannot be read.
bool load_workbook(MainWindow &window, const QString &path);

} // namespace demo
