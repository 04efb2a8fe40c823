#pragma once

#include "app/mainwindow.h"
#include "modal.h"

#include <QString>

// What the operator does in the window, one step each, with the message
// boxes and dialogues that the steps bring up answered as the operator would.
namespace operator_steps
{

// Puts `port` into SerialPortBox (the system's enumeration does not list
// pseudo-terminals), presses "连接" and closes the box that follows.
void connect_to(MainWindow &window, const QString &port, SeenModal *seen = nullptr);

// "导入": Yes to the question, then `path` in the file dialogue. True once
// both were answered.
bool import_workbook(MainWindow &window, const QString &path);

// Types the transfer limit and presses "设置".
void set_limit(MainWindow &window, int limit);

// "清除" answered with `answer`.
void clear_all(MainWindow &window, QMessageBox::StandardButton answer);

// Types one row of the tag table.
void type_row(MainWindow &window, int row, const QStringList &cells);

} // namespace operator_steps
