#include "mapcommands.h"

namespace maptool
{

extern const Command check_command;
extern const Command grid_command;
extern const Command convert_command;

const QVector<Command> &commands()
{
    static const QVector<Command> all = {
        check_command,
        grid_command,
        convert_command,
    };
    return all;
}

QString usage_text()
{
    QString text = QStringLiteral(
        "Usage: poscam-map COMMAND [OPTIONS] FILE\n"
        "Checks, builds and converts poscam tag maps, and sends them to positioning\n"
        "cameras and verifies them there, without a display.\n"
        "\n"
        "Commands:\n");
    for (const Command &command : commands())
        text += command.synopsis;
    text += QStringLiteral(
        "\n"
        "  --help       this text\n"
        "  --version    the version\n"
        "\n"
        "Exit status:\n"
        "  0    success: the map is clean, sent or verified\n"
        "  1    the map has findings (check, send without --force), or verify found\n"
        "       a tag different, unknown or not seen\n"
        "  2    usage error, or a map file that cannot be read\n"
        "  3    the camera stayed silent for --timeout seconds\n"
        "  4    the port could not be opened\n"
        "  5    the port was lost during the transfer\n"
        "  130  interrupted by SIGINT or SIGTERM\n");
    return text;
}

} // namespace maptool
