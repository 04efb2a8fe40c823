#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdio>

// Accepted position reports: the window logs one debug line for each. Other
// messages but information go to standard error.
inline long decoded_reports = 0;

inline void count_debug_lines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        ++decoded_reports;
    else if (type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}
