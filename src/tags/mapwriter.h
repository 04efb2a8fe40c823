#pragma once

#include "tags/tagconversion.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// Replaces the file at `path` with `bytes` only once they are written whole;
// `text` writes them in text mode (the platform's line ends). False, with
// the reason in `error`, when the file cannot be written.
bool write_file_whole(const QString &path, const QByteArray &bytes, bool text, QString *error);

// Writes the map's rows in the format OUT's suffix names: .dxf a drawing
// (mapdxf.h), .xlsx a workbook, anything else the export's text. The text
// and the workbook hold every row given; the drawing the tags among them.
bool write_map_file(const QString &path, const QVector<TagRowTexts> &rows, QString *error);
