#include "replayer.h"

#include "textoutput.h"

namespace camsim
{

namespace
{

// Well below the line's own bound on queued bytes, so that a piece of the
// file (a read's worth, as recorded) always finds room behind it.
constexpr qint64 kReplayBacklogLimit = 64 * 1024;

} // namespace

Replayer::Replayer(const SimOptions &options, QObject *parent)
    : QObject(parent), options(options), line(options.seed + 1)
{
    player.set_speed(options.replay_speed);
    player.set_ready_probe([this] { return line.backlog() <= kReplayBacklogLimit; });
    connect(&player, &session::SessionPlayer::inbound, this, [this](const QByteArray &bytes) {
        bytes_sent += bytes.size();
        line.send_frame(bytes);
    });
    connect(&player, &session::SessionPlayer::finished, this,
            [this] { say(QStringLiteral("replayed %1 bytes").arg(bytes_sent)); });
    connect(&line, &SerialLine::host_changed, this, &Replayer::host_changed);
    connect(&line, &SerialLine::closed, this, [this] {
        player.pause();
        say(QStringLiteral("vanished"));
    });
}

bool Replayer::start(QString *error)
{
    if (!player.open(options.replay_file)) {
        *error =
            QStringLiteral("%1: not a session file: %2").arg(options.replay_file, player.error());
        return false;
    }
    if (!line.open(options.device, options.baud, error))
        return false;
    say(QStringLiteral("port ") + line.path());
    if (line.host_connected())
        player.resume();
    return true;
}

void Replayer::host_changed(bool connected)
{
    say(connected ? QStringLiteral("host connected") : QStringLiteral("host disconnected"));
    if (connected)
        player.resume();
    else
        player.pause();
}

bool Replayer::run_command(const QString &command)
{
    if (command == QLatin1String("status")) {
        say(QStringLiteral("status replay %1 sent %2 position_us %3 of %4 discarded %5")
                .arg(player.is_finished() ? QStringLiteral("done")
                     : player.is_paused() ? QStringLiteral("waiting")
                                          : QStringLiteral("playing"))
                .arg(bytes_sent)
                .arg(player.position_us())
                .arg(player.total_us())
                .arg(line.bytes_discarded()));
    } else if (command == QLatin1String("quit")) {
        emit quit_requested();
    } else {
        say(QStringLiteral("unknown command \"%1\": status, quit").arg(command));
        return false;
    }
    return true;
}

} // namespace camsim
