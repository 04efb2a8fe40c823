#include "cameralink.h"

#include "link/seriallink.h"
#include "linkoptions.h"
#include "mapcommands.h"

#include <QTextStream>
#include <memory>

namespace maptool
{

std::optional<int> open_camera_link(seriallink::Link &link, const LinkOptions &options,
                                    const QString &command, QTextStream &err)
{
    link.settings = options.port;
    if (!link.open()) {
        err << "poscam-map " << command << ": cannot open " << options.port.port_name << ": "
            << link.open_failure() << '\n';
        err.flush();
        return exit_status::port_not_opened;
    }
    auto warned = std::make_shared<bool>(false);
    QObject::connect(&link, &seriallink::Link::recording_stopped, &link,
                     [&err, command, warned](const QString &reason) {
                         if (*warned)
                             return;
                         *warned = true;
                         err << "poscam-map " << command
                             << ": warning: the session is not recorded: " << reason << '\n';
                         err.flush();
                     });
    link.start_receiving(options.record);
    return std::nullopt;
}

} // namespace maptool
