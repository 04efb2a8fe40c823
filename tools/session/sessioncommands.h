#pragma once

#include <QString>

class QTextStream;

// poscam-session's commands, each writing to `out` and returning the exit
// status; a file that is not a session gets its reason on `err` and 1.
namespace sessiontool
{

int run_info(const QString &path, QTextStream &out, QTextStream &err);
int run_poses(const QString &path, QTextStream &out, QTextStream &err);
int run_log(const QString &path, QTextStream &out, QTextStream &err);

QString usage_text();

} // namespace sessiontool
