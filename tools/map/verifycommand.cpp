// poscam-map verify: what the camera holds, compared with a map file as the
// window's mode-2 comparison compares it with the table.
#include "cameralink.h"
#include "linkoptions.h"
#include "mapcommands.h"
#include "mapinput.h"
#include "stopsignals.h"

#include "link/seriallink.h"
#include "protocol/commandframes.h"
#include "protocol/wirelayout.h"
#include "tags/tagcompare.h"

#include <QEventLoop>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTextStream>
#include <QTimer>

namespace maptool
{
namespace
{

constexpr double kDefaultSeconds = 60;
// Long enough for the mode-1 command to leave before the port closes.
constexpr int kLastWriteMs = 1000;

int usage_error(QTextStream &err, const QString &what)
{
    err << "poscam-map verify: " << what << "\nTry 'poscam-map --help'.\n";
    return exit_status::unreadable;
}

struct VerifyOptions {
    LinkOptions link;
    double seconds = kDefaultSeconds;
    bool json = false;
};

std::optional<QString> parse(const QStringList &arguments, VerifyOptions &options)
{
    QStringList rest;
    if (const std::optional<QString> error =
            take_link_options(arguments, {QStringLiteral("--seconds")}, options.link, rest))
        return error;
    for (int k = 0; k < rest.size(); ++k) {
        if (rest.at(k) == QLatin1String("--json")) {
            options.json = true;
        } else if (rest.at(k) == QLatin1String("--seconds") && k + 1 < rest.size()) {
            const std::optional<double> seconds = seconds_value(rest.at(++k));
            if (!seconds)
                return QStringLiteral("--seconds is a positive number of seconds");
            options.seconds = *seconds;
        } else {
            return QStringLiteral("unexpected %1").arg(rest.at(k));
        }
    }
    return std::nullopt;
}

// What the camera reported, by id, with the table's verdict on its latest
// report.
struct Verdict {
    TagRecord reported;
    TableTags::Comparison comparison;
};

QJsonObject tag_json(const TagRecord &tag)
{
    return QJsonObject{{"x_cm", tag.x_cm},
                       {"y_cm", tag.y_cm},
                       {"side_mm", tag.side_mm},
                       {"angle_deg", tag.angle_deg}};
}

QString tag_text(const TagRecord &tag)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(tag.x_cm)
        .arg(tag.y_cm)
        .arg(tag.side_mm)
        .arg(tag.angle_deg);
}

TagRecord record_in_row(const TableTags &table, int row)
{
    for (const TableTags::Tag &tag : table.tags())
        if (tag.row == row)
            return tag.record;
    return TagRecord();
}

int run_verify(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    VerifyOptions options;
    if (const std::optional<QString> error = parse(arguments, options))
        return usage_error(err, *error);
    const MapRowsInput map = read_map_input(options.link.file, options.link.limit);
    if (!map.ok) {
        err << "poscam-map verify: " << map.failure << '\n';
        return exit_status::unreadable;
    }
    // The whole table, as the window compares; every tag within the limit
    // is expected to be reported.
    TableTags table;
    for (int row = 0; row < map.all_rows.size(); ++row)
        if (const std::optional<TagRecord> record = tag_record_from_texts(map.all_rows.at(row)))
            table.add(row, *record);
    QMap<int, int> expected; // id -> row of its first appearance
    for (const TableTags::Tag &tag : table.tags())
        if (tag.row < map.scanned_rows && !expected.contains(tag.record.id))
            expected.insert(tag.record.id, tag.row);

    seriallink::Link link;
    if (const std::optional<int> failed = open_camera_link(link, options.link, "verify", err))
        return *failed;

    QMap<int, Verdict> reported;
    int still_expected = expected.size();
    int status = exit_status::ok;
    QEventLoop loop;
    QObject::connect(&link, &seriallink::Link::report, &loop, [&](const protocol::Report &report) {
        if (report.kind != protocol::ReportKind::Tag)
            return;
        const int id = report.tag.id;
        if (!reported.contains(id) && expected.contains(id))
            --still_expected;
        reported.insert(id, Verdict{report.tag, table.compare(report.tag)});
        if (still_expected == 0 && !expected.isEmpty())
            loop.quit();
    });
    QObject::connect(&link, &seriallink::Link::lost, &loop, [&] {
        status = exit_status::port_lost;
        loop.quit();
    });
    StopSignals stop_signals;
    QObject::connect(&stop_signals, &StopSignals::stop_requested, &loop, [&] {
        status = exit_status::interrupted;
        loop.quit();
    });
    QTimer::singleShot(int(options.seconds * 1000), &loop, &QEventLoop::quit);
    link.write(protocol::short_frame(protocol::kModeTwoKey));
    loop.exec();
    if (status != exit_status::port_lost) {
        // Back to positions, as the camera was before.
        link.write(protocol::short_frame(protocol::kModeOneKey));
        link.io()->waitForBytesWritten(kLastWriteMs);
        // The command must not be dropped with the port's buffers.
        link.close(seriallink::Link::Unsent::Deliver);
    } else {
        link.close();
    }
    if (status == exit_status::port_lost) {
        err << "poscam-map verify: port " << options.link.port.port_name << " lost\n";
        return status;
    }
    if (status == exit_status::interrupted) {
        err << "poscam-map verify: interrupted\n";
        return status;
    }

    QJsonArray confirmed, different, unknown, not_seen;
    for (auto it = reported.cbegin(); it != reported.cend(); ++it) {
        const Verdict &verdict = it.value();
        switch (verdict.comparison.match) {
        case TableTags::Match::confirmed:
            confirmed.append(it.key());
            break;
        case TableTags::Match::different: {
            const TagRecord row_record = record_in_row(table, verdict.comparison.row);
            different.append(QJsonObject{{"id", it.key()},
                                         {"row", verdict.comparison.row + 1},
                                         {"camera", tag_json(verdict.reported)},
                                         {"table", tag_json(row_record)}});
            if (!options.json)
                out << "different  " << it.key() << "  row " << verdict.comparison.row + 1
                    << "  camera " << tag_text(verdict.reported) << "  table "
                    << tag_text(row_record) << '\n';
            break;
        }
        case TableTags::Match::unknown:
            unknown.append(QJsonObject{{"id", it.key()}, {"camera", tag_json(verdict.reported)}});
            if (!options.json)
                out << "unknown  " << it.key() << "  camera " << tag_text(verdict.reported) << '\n';
            break;
        }
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (reported.contains(it.key()))
            continue;
        not_seen.append(QJsonObject{{"id", it.key()}, {"row", it.value() + 1}});
        if (!options.json)
            out << "not seen  " << it.key() << "  row " << it.value() + 1 << '\n';
    }
    if (options.json) {
        out << QJsonDocument(QJsonObject{{"confirmed", confirmed},
                                         {"different", different},
                                         {"unknown", unknown},
                                         {"not_seen", not_seen}})
                   .toJson(QJsonDocument::Indented);
    } else {
        out << confirmed.size() << " confirmed, " << different.size() << " different, "
            << unknown.size() << " unknown, " << not_seen.size() << " not seen\n";
    }
    out.flush();
    const bool clean = different.isEmpty() && unknown.isEmpty() && not_seen.isEmpty();
    return clean ? exit_status::ok : exit_status::findings;
}

} // namespace

extern const Command verify_command;
const Command verify_command = {
    QStringLiteral("verify"),
    QStringLiteral("  verify --port DEV [PORT SETTINGS] [--limit N] [--seconds S] [--json]\n"
                   "         [--no-record] FILE\n"
                   "               switches the camera to mode 2, compares each tag it reports\n"
                   "               with FILE as the window's mode-2 comparison does (confirmed,\n"
                   "               different, not in the table) for S seconds (60) or until every\n"
                   "               tag of the first N rows (200) has been reported, lists the\n"
                   "               tags not seen, and switches the camera back to mode 1.\n"
                   "               --json prints one object with the lists confirmed, different,\n"
                   "               unknown and not_seen.\n"
                   "  PORT SETTINGS, as the window's boxes, with their defaults:\n"
                   "       --baud B (115200) --data-bits 5|6|7|8 (8) --parity\n"
                   "       none|even|odd|space|mark (none) --stop-bits 1|1.5|2 (1) --flow\n"
                   "       none|hardware|software (none). send and verify record each\n"
                   "       connection as a session file, as the window does; --no-record\n"
                   "       does not.\n"
                   "  DEV is a serial device, or a port behind a serial-to-network server:\n"
                   "       tcp://HOST:PORT (raw; the server's settings apply) or\n"
                   "       rfc2217://HOST:PORT (the port settings are set on the remote\n"
                   "       port). A connection not made within 5 s exits with status 4.\n"),
    run_verify,
};

} // namespace maptool
