#pragma once

#include "link/portsettings.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace maptool
{

// What every command that talks to a camera takes: the port and its
// settings as the window's boxes offer them, with the window's defaults;
// the transfer limit; whether the connection is recorded; the map file.
struct LinkOptions {
    seriallink::PortSettings port;
    int limit = 200;
    bool record = true;
    QString file;
};

// Takes the shared options out of `arguments`; what is left (a command's
// own options, those in `own_valued` with their values) goes to `rest`, in
// order. Returns why the arguments are unusable, or nothing.
std::optional<QString> take_link_options(const QStringList &arguments,
                                         const QStringList &own_valued, LinkOptions &options,
                                         QStringList &rest);

// A positive number of seconds, as --timeout and --seconds take it.
std::optional<double> seconds_value(const QString &text);

} // namespace maptool
