#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class QTextStream;

// poscam-map's subcommands. Each lives in a file of its own and is listed
// once, in mapcommands.cpp; main() only picks one by its name.
namespace maptool
{

// The exit status a script reads. One meaning per number across all
// subcommands, so that `xargs` and a shell loop can tell the cases apart.
namespace exit_status
{
constexpr int ok = 0;
// check: findings; send: refused for findings; verify: a tag different,
// unknown or not seen.
constexpr int findings = 1;
// Usage errors, and a map file that cannot be read.
constexpr int unreadable = 2;
constexpr int camera_silent = 3;
constexpr int port_not_opened = 4;
constexpr int port_lost = 5;
// SIGINT or SIGTERM, as a shell reports a program ended by SIGINT.
constexpr int interrupted = 130;
} // namespace exit_status

struct Command {
    QString name;
    // One or more lines for --help, each starting with the command's name.
    QString synopsis;
    // `arguments` are those after the command's name. Output goes to `out`,
    // messages and usage errors to `err`.
    int (*run)(const QStringList &arguments, QTextStream &out, QTextStream &err);
};

const QVector<Command> &commands();

// The whole --help text, which the man page is made from.
QString usage_text();

} // namespace maptool
