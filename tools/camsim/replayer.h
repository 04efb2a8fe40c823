#pragma once

#include "serialline.h"
#include "session/sessionplayer.h"
#include "simoptions.h"

#include <QObject>

namespace camsim
{

// A recorded session in the camera's place: the camera's side of the file,
// byte for byte, on the same kind of line the simulated camera uses. What
// the host sends is read and dropped, so that the host's writes never block.
// Only a host that has the line open hears the replay, and none of it is lost
// while the host is slow to read: the file waits instead.
class Replayer : public QObject
{
    Q_OBJECT

public:
    explicit Replayer(const SimOptions &options, QObject *parent = nullptr);

    // Checks the file and opens the line; false with `error` set when the
    // file is not a session or the line cannot be opened.
    bool start(QString *error);

    // One command of standard input; false for an unknown command.
    bool run_command(const QString &command);

signals:
    void quit_requested();

private:
    void host_changed(bool connected);

    SimOptions options;
    SerialLine line;
    session::SessionPlayer player;
    qint64 bytes_sent = 0;
};

} // namespace camsim
