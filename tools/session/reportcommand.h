#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace sessiontool
{

// poscam-session report SESSION --map FILE -o PDF [--limit ROWS]: the
// commissioning report of a recorded drive, made without a display.
int run_report(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace sessiontool
