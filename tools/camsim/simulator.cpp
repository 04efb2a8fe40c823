#include "simulator.h"

#include <QTimer>

namespace camsim
{

namespace
{

// About eight position reports: enough to keep a reading host busy, little
// enough that a host that reads slowly is never far behind the robot.
constexpr qint64 kStreamBacklogLimit = 8 * protocol::kPositionReportSize;

} // namespace

Simulator::Simulator(const SimOptions &options, QObject *parent)
    : QObject(parent), options(options), camera(options), line(options.seed + 1)
{
    line.set_split_writes(options.split);
    line.set_garbage(options.garbage);
    camera.set_line_ready_probe(
        [this] { return line.host_connected() && line.backlog() <= kStreamBacklogLimit; });
    connect(&camera, &SimulatedCamera::frame_out, &line, &SerialLine::send_frame);
    connect(&camera, &SimulatedCamera::log_line, this,
            [this](const QString &text) { frame_log.write_line(text); });
    connect(&camera, &SimulatedCamera::positions_done, this, &Simulator::report_positions_done);
    connect(&camera, &SimulatedCamera::vanish_due, &line, &SerialLine::vanish);
    connect(&line, &SerialLine::received, &camera, &SimulatedCamera::receive);
    connect(&line, &SerialLine::closed, this, &Simulator::line_closed);
    connect(&line, &SerialLine::host_changed, this, [this](bool connected) {
        const QString text =
            connected ? QStringLiteral("host connected") : QStringLiteral("host disconnected");
        say(text);
        camera.note(text);
    });
}

bool Simulator::start(QString *error)
{
    if (!frame_log.open(options.log_file, error) || !open_line(error))
        return false;
    camera.start();
    return true;
}

bool Simulator::open_line(QString *error)
{
    const bool opened = line.open(options.device, options.baud, error);
    if (opened)
        say(QStringLiteral("port ") + line.path());
    return opened;
}

void Simulator::line_closed()
{
    say(QStringLiteral("vanished"));
    camera.note(QStringLiteral("line closed"));
    if (options.reappear_after_ms < 0)
        return;
    QTimer::singleShot(options.reappear_after_ms, this, [this] {
        QString error;
        if (!line.is_open() && !open_line(&error))
            say(error);
    });
}

void Simulator::report_positions_done()
{
    const camera::PositionFields last = camera.last_valid_position();
    const SimulatedCamera::Counters &c = camera.counters();
    say(QStringLiteral("positions %1 spoiled %2 last %3 %4 %5 %6 %7")
            .arg(c.positions_sent)
            .arg(c.positions_spoiled)
            .arg(last.x_tenths)
            .arg(last.y_tenths)
            .arg(last.rotation_tenths)
            .arg(last.attitude_x_hundredths)
            .arg(last.attitude_y_hundredths));
}

void Simulator::write_map()
{
    QString error;
    if (write_text_file(options.map_file, camera.tag_store().to_tsv(), &error))
        say(QStringLiteral("map %1 %2")
                .arg(camera.tag_store().size())
                .arg(options.map_file.isEmpty() ? QStringLiteral("-") : options.map_file));
    else
        say(error);
}

QString Simulator::status_text() const
{
    const SimulatedCamera::Counters &c = camera.counters();
    return QStringLiteral("status line %1 mode %2 compensation %3 tags %4 positions %5 "
                          "spoiled %6 kept %7 errors %8 host_frames %9 unknown %10 acks %11 "
                          "dropped %12 wrong_ids %13 discarded %14")
        .arg(line.is_open() ? line.path() : QStringLiteral("closed"))
        .arg(camera.mode())
        .arg(camera.compensation_on() ? QStringLiteral("on") : QStringLiteral("off"))
        .arg(camera.tag_store().size())
        .arg(c.positions_sent)
        .arg(c.positions_spoiled)
        .arg(c.positions_kept)
        .arg(c.errors_sent)
        .arg(c.host_frames)
        .arg(c.unknown_frames)
        .arg(c.acks_sent)
        .arg(c.acks_dropped)
        .arg(c.acks_wrong_id)
        .arg(line.bytes_discarded());
}

bool Simulator::run_command(const QString &command)
{
    const QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    if (verb == QLatin1String("status")) {
        say(status_text());
    } else if (verb == QLatin1String("line")) {
        say(QStringLiteral("line ") + line.settings_text());
    } else if (verb == QLatin1String("map")) {
        write_map();
    } else if (verb == QLatin1String("error")) {
        camera.send_error_report();
    } else if (verb == QLatin1String("silent") && words.size() == 2 &&
               (words[1] == QLatin1String("on") || words[1] == QLatin1String("off"))) {
        camera.set_silent(words[1] == QLatin1String("on"));
    } else if (verb == QLatin1String("vanish")) {
        line.vanish();
    } else if (verb == QLatin1String("reopen")) {
        QString error;
        if (line.is_open())
            say(QStringLiteral("the line is open: ") + line.path());
        else if (!open_line(&error))
            say(error);
    } else if (verb == QLatin1String("quit")) {
        emit quit_requested();
    } else {
        say(QStringLiteral("unknown command \"%1\": status, line, map, error, silent on|off, "
                           "vanish, reopen, quit")
                .arg(command));
        return false;
    }
    return true;
}

} // namespace camsim
