// poscam-session: what a recorded session holds, as text, CSV or a log.
#include "sessioncommands.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments.size() == 2 && arguments.at(1) == QLatin1String("--help")) {
        out << sessiontool::usage_text();
        return 0;
    }
    if (arguments.size() == 2 && arguments.at(1) == QLatin1String("--version")) {
        out << "poscam-session " << POSCAM_VERSION << '\n';
        return 0;
    }
    if (arguments.size() != 3) {
        err << sessiontool::usage_text();
        return 2;
    }
    const QString command = arguments.at(1);
    const QString path = arguments.at(2);
    if (command == QLatin1String("info"))
        return sessiontool::run_info(path, out, err);
    if (command == QLatin1String("poses"))
        return sessiontool::run_poses(path, out, err);
    if (command == QLatin1String("log"))
        return sessiontool::run_log(path, out, err);
    err << "poscam-session: unknown command " << command << "\n\n" << sessiontool::usage_text();
    return 2;
}
