#pragma once

#include <optional>

class QString;
class QTextStream;

namespace seriallink
{
class Link;
}

namespace maptool
{

struct LinkOptions;

// Opens the port of `options` on `link` and starts receiving, recording the
// session unless --no-record: nothing, or the exit status after a message on
// `err` (the port could not be opened, or another program holds it). A
// session that cannot be written is one warning line; the command goes on.
std::optional<int> open_camera_link(seriallink::Link &link, const LinkOptions &options,
                                    const QString &command, QTextStream &err);

} // namespace maptool
