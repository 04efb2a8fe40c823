#pragma once

#include <QString>

class QCustomPlot;

// The plot as the operator sees it, at the widget's size, written whole or
// not at all: into a temporary file beside `path` that replaces it only once
// complete. The format follows the suffix: ".pdf" and ".svg" as vectors,
// anything else as PNG (".png" is added to a name without a suffix). False
// when the file could not be written; nothing is left behind then.
bool save_plot_image(QCustomPlot &plot, QString path);

// The plot as a picture on the clipboard.
void copy_plot_image(QCustomPlot &plot);
