#pragma once

#include <QString>

class QWidget;

// What QFileDialog::getOpenFileName() and getSaveFileName() ask, with the
// same window, caption, folder and filter, and the same answer: the chosen
// path, or an empty text when the operator cancels. Unlike those, the
// dialogue never reads the files it lists, so that a folder holding a file
// whose reading blocks (as /proc/kmsg does for root) cannot hang it.
QString ask_open_file_name(QWidget *parent, const QString &caption, const QString &directory,
                           const QString &filter);
QString ask_save_file_name(QWidget *parent, const QString &caption, const QString &directory,
                           const QString &filter);
