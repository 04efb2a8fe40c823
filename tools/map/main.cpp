// poscam-map: tag maps checked, built, converted, sent and verified from a
// script. `poscam-map --help` says everything it does.
#include "mapcommands.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("poscam"));
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments == QStringList{QStringLiteral("--help")}) {
        out << maptool::usage_text();
        return maptool::exit_status::ok;
    }
    if (arguments == QStringList{QStringLiteral("--version")}) {
        out << "poscam-map " << POSCAM_VERSION << '\n';
        return maptool::exit_status::ok;
    }
    if (arguments.isEmpty()) {
        err << maptool::usage_text();
        return maptool::exit_status::unreadable;
    }
    const QString name = arguments.takeFirst();
    for (const maptool::Command &command : maptool::commands()) {
        if (command.name == name)
            return command.run(arguments, out, err);
    }
    err << "poscam-map: unknown command " << name << "\n\n" << maptool::usage_text();
    return maptool::exit_status::unreadable;
}
