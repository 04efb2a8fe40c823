#include "simoptions.h"

#include <QCommandLineParser>

namespace camsim
{

namespace
{

struct NumberRange {
    double low;
    double high;
};

// Reads option `name` into `value` when given; false with `error` set when the
// text is not a number within `range`.
bool read_number(const QCommandLineParser &parser, const QString &name, NumberRange range,
                 double &value, QString &error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double parsed = parser.value(name).toDouble(&ok);
    if (!ok || parsed < range.low || parsed > range.high) {
        error = QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                    .arg(name)
                    .arg(range.low)
                    .arg(range.high)
                    .arg(parser.value(name));
        return false;
    }
    value = parsed;
    return true;
}

template <typename Integer>
bool read_integer(const QCommandLineParser &parser, const QString &name, NumberRange range,
                  Integer &value, QString &error)
{
    double parsed = double(value);
    if (!read_number(parser, name, range, parsed, error))
        return false;
    if (parsed != double(qint64(parsed))) {
        error =
            QStringLiteral("--%1 wants a whole number, not \"%2\"").arg(name, parser.value(name));
        return false;
    }
    value = Integer(parsed);
    return true;
}

constexpr NumberRange kFraction{0, 1};
constexpr NumberRange kPositive{0, 1e9};

} // namespace

QString help_text()
{
    return QStringLiteral(R"(Usage: poscam-camsim [options]

Plays the positioning camera on a serial line, so that poscam can be run and
tested without one. Unless --device is given it creates a pseudo-terminal and
prints its path on the first line of standard output:

    port /dev/pts/7

Type that path into poscam's port box: the system's port enumeration does
not list it (scripts/demo and the tests put it there for you).

What the camera does
  Streams position reports along a path, with the rotation angle following
  the heading and a small attitude wobble. Answers the host's frames: mode 1 /
  mode 2 (in mode 2 it also reports the codes in view and one tag report per
  interval), angle compensation on / off (logged), clear all (empties its tag
  store), and the tag map transfer: it acknowledges the start request, every
  tag record by its id and the end request, and sends a count report (records
  received in this transfer, records expected) after each record and at the
  end. Records with a wrong check byte are logged and not acknowledged.

The line
  --device PATH          use this serial device instead of a pseudo-terminal
  --baud N               baud rate for --device (default 115200)

A recorded session instead of the camera
  --replay FILE          write the camera's side of a poscam session file
                         (.pcapng) onto the line, byte for byte, at the pace it
                         was recorded; what the host sends is ignored. It
                         starts when the host opens the line, waits while the
                         host does not read, and pauses while no host has the
                         line open. A file that is not a session is refused
                         (exit status 1); a last block cut short is left out.
                         "replayed N bytes" is printed at the end; the line
                         stays open until "quit" or a signal. Of the other
                         options only --device, --baud and --speed apply.
  --speed X              with --replay: play X times as fast as recorded, 0 for
                         as fast as the line takes it (default 1)

Motion
  --path lanes|circle    lanes across the floor, turning at each end, or a
                         circle around its middle (default lanes)
  --floor CM             side of the square floor, centred on 0,0 (default 1000)
  --lane-spacing CM      distance between lanes (default 100)
  --speed CM_PER_S       speed along the path (default 50; see --replay)
  --rate HZ              position reports per second, 0 for none (default 50)
  --count N              stop the position stream after N reports (default: never)
  --wobble DEG           amplitude of the attitude wobble (default 0.5)

Other reports
  --error-every S        an error report every S seconds (default: never)
  --mode2-interval MS    how often mode 2 reports the codes in view (default 1000)
  --expect N             second count of the count report (default: the number
                         of tags the camera holds)

Output
  --log FILE             log of every frame received from the host, in hex and
                         decoded, and of the faults applied (default: stdout)
  --verbose              also log every frame sent
  --map FILE             where the received tag map goes, as tab-separated text
                         with a header line: id, x_cm, y_cm, side_mm,
                         angle_deg and the tag frame as received in hex
                         (default: stdout). Written on SIGUSR1, on the command
                         "map" and at exit.
  --seed N               seed of every random choice (default 1)

Faults
  --silent               send nothing at all; frames are still received and logged
  --drop-acks P          drop each acknowledgement with probability P (0..0.99,
                         so that every frame is acknowledged in the end)
  --delay-acks MS        send acknowledgements MS milliseconds late
  --wrong-ids P          acknowledge a record with a wrong id, probability P
                         (0..0.99)
  --split                write frames in pieces cut at random byte boundaries
  --garbage P            put 1 to 8 noise bytes before a frame with probability P;
                         noise never holds 0xFE, so it can neither start nor
                         end a frame
  --bad-check P          spoil the check byte of a position report, probability P
  --vanish-after N       close the line after N position reports, as when the
                         adapter is pulled out
  --reappear-after MS    after vanishing, open a new pseudo-terminal after MS
                         milliseconds and print its path as another "port" line

Commands on standard input, one per line
  status                 print the counters
  line                   print the line's settings as the host set them:
                         "line 57600 7E2 hardware"
  map                    write the tag map now
  error                  send one error report
  silent on|off          stop or resume sending
  vanish                 close the line now
  reopen                 open a new line after vanishing (a new "port" line)
  quit                   write the tag map and exit

Information
  --help                 print this text and exit
  --version              print the version and exit

Signals: SIGUSR1 writes the tag map; SIGINT and SIGTERM write it and exit.

Lines on standard output: "port PATH" when a line opens, "vanished" when it
closes, "positions N" when --count reports have been sent, "map N FILE" when
the map has been written, and the answers to the commands.
)");
}

QString version_text()
{
    return QStringLiteral("poscam-camsim " POSCAM_VERSION "\n");
}

ParsedOptions parse_sim_options(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QStringList valued = {
        "device",    "baud",    "replay",    "path",         "floor",         "lane-spacing",
        "speed",     "rate",    "count",     "wobble",       "error-every",   "mode2-interval",
        "expect",    "log",     "map",       "seed",         "drop-acks",     "delay-acks",
        "wrong-ids", "garbage", "bad-check", "vanish-after", "reappear-after"};
    for (const QString &name : valued)
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    for (const char *flag : {"help", "version", "verbose", "silent", "split"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(flag)));
    parser.addOption(QCommandLineOption(QStringLiteral("h")));

    ParsedOptions result;
    if (!parser.parse(arguments)) {
        result.message = parser.errorText() + QStringLiteral("\nTry --help.\n");
        result.exit_code = 2;
        return result;
    }
    if (parser.isSet("help") || parser.isSet("h")) {
        result.message = help_text();
        return result;
    }
    if (parser.isSet("version")) {
        result.message = version_text();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.message = QStringLiteral("unexpected argument \"%1\"\nTry --help.\n")
                             .arg(parser.positionalArguments().first());
        result.exit_code = 2;
        return result;
    }

    SimOptions o;
    QString error;
    o.device = parser.value("device");
    o.replay_file = parser.value("replay");
    o.map_file = parser.value("map");
    o.log_file = parser.value("log");
    o.verbose = parser.isSet("verbose");
    o.silent = parser.isSet("silent");
    o.split = parser.isSet("split");
    if (parser.isSet("path")) {
        const QString shape = parser.value("path");
        if (shape == QLatin1String("lanes"))
            o.path = PathShape::Lanes;
        else if (shape == QLatin1String("circle"))
            o.path = PathShape::Circle;
        else
            error = QStringLiteral("--path is lanes or circle, not \"%1\"").arg(shape);
    }
    // A position travels as tenths of a centimetre in 24 bits: the floor stays
    // far inside that.
    const bool ok =
        error.isEmpty() && read_integer(parser, "baud", {50, 4000000}, o.baud, error) &&
        read_number(parser, "floor", {10, 100000}, o.floor_cm, error) &&
        read_number(parser, "lane-spacing", {1, 100000}, o.lane_spacing_cm, error) &&
        (o.replay_file.isEmpty() ? read_number(parser, "speed", {0, 100000}, o.speed_cm_s, error)
                                 : read_number(parser, "speed", {0, 1e6}, o.replay_speed, error)) &&
        read_number(parser, "rate", {0, 100000}, o.rate_hz, error) &&
        read_integer(parser, "count", kPositive, o.count, error) &&
        read_number(parser, "wobble", {0, 90}, o.wobble_deg, error) &&
        read_number(parser, "error-every", kPositive, o.error_every_s, error) &&
        read_integer(parser, "mode2-interval", {10, 1e8}, o.mode2_interval_ms, error) &&
        read_integer(parser, "expect", {0, 65535}, o.expect, error) &&
        read_integer(parser, "seed", {0, 4294967295.0}, o.seed, error) &&
        read_number(parser, "drop-acks", {0, 0.99}, o.drop_acks, error) &&
        read_integer(parser, "delay-acks", {0, 1e8}, o.delay_acks_ms, error) &&
        read_number(parser, "wrong-ids", {0, 0.99}, o.wrong_ids, error) &&
        read_number(parser, "garbage", kFraction, o.garbage, error) &&
        read_number(parser, "bad-check", kFraction, o.bad_check, error) &&
        read_integer(parser, "vanish-after", kPositive, o.vanish_after, error) &&
        read_integer(parser, "reappear-after", {0, 1e8}, o.reappear_after_ms, error);
    if (!ok) {
        result.message = error + QStringLiteral("\nTry --help.\n");
        result.exit_code = 2;
        return result;
    }
    result.options = o;
    return result;
}

} // namespace camsim
