// poscam-session: what a recorded session holds, as text, CSV, a log or a
// commissioning report.
#include "reportcommand.h"
#include "sessioncommands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // The report paints a PDF, which needs the font database of a GUI
    // application, but never a display.
    const bool report = argc > 1 && std::strcmp(argv[1], "report") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (report) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The transfer ledger is where poscam and poscam-map keep it.
    QCoreApplication::setApplicationName(QStringLiteral("poscam"));
    const QStringList arguments = app->arguments();
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
    if (report)
        return sessiontool::run_report(arguments.mid(2), out, err);
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
