#include "reportcommand.h"

#include "protocol/framecutter.h"
#include "protocol/receiveloop.h"
#include "protocol/reportdecoder.h"
#include "report/reportwriter.h"
#include "session/sessionreader.h"
#include "session/sessionscan.h"
#include "tags/mapfile.h"
#include "tags/tagtable.h"
#include "transfer/ledger.h"
#include "transfer/ledgerreader.h"

#include <QFile>
#include <QTextStream>
#include <functional>

namespace sessiontool
{

namespace
{

// The window keeps this many trajectory points; the picture shows no more.
constexpr int kMostTrajectoryPoints = 30000;

struct Options {
    QString session;
    QString map;
    QString output;
    QString ledger = transfer::ledger_folder();
    int limit = TAG_TABLE_ROWS;
};

bool parse(const QStringList &arguments, Options &options, QString &error)
{
    for (int k = 0; k < arguments.size(); ++k) {
        const QString &argument = arguments.at(k);
        auto value = [&](QString &into) {
            if (k + 1 >= arguments.size()) {
                error = argument + QStringLiteral(" needs a value");
                return false;
            }
            into = arguments.at(++k);
            return true;
        };
        if (argument == QLatin1String("--map")) {
            if (!value(options.map))
                return false;
        } else if (argument == QLatin1String("-o") || argument == QLatin1String("--output")) {
            if (!value(options.output))
                return false;
        } else if (argument == QLatin1String("--ledger")) {
            if (!value(options.ledger))
                return false;
        } else if (argument == QLatin1String("--limit")) {
            QString text;
            if (!value(text))
                return false;
            bool ok = false;
            options.limit = text.toInt(&ok);
            if (!ok || options.limit < 1 || options.limit > TAG_TABLE_ROWS) {
                error = QStringLiteral("--limit must be a whole number from 1 to %1")
                            .arg(TAG_TABLE_ROWS);
                return false;
            }
        } else if (argument.startsWith(QLatin1Char('-')) || !options.session.isEmpty()) {
            error = QStringLiteral("unexpected argument ") + argument;
            return false;
        } else {
            options.session = argument;
        }
    }
    if (options.session.isEmpty() || options.map.isEmpty() || options.output.isEmpty()) {
        error = QStringLiteral("report needs SESSION, --map FILE and -o PDF");
        return false;
    }
    return true;
}

TableTags table_of(const MapRows &map)
{
    TableTags tags;
    for (int row = 0; row < map.rows.size(); ++row)
        if (const std::optional<TagRecord> record = tag_record_from_texts(map.rows.at(row)))
            tags.add(row, *record);
    return tags;
}

QVector<QPointF> thinned(const QVector<QPointF> &points)
{
    if (points.size() <= kMostTrajectoryPoints)
        return points;
    QVector<QPointF> kept;
    kept.reserve(kMostTrajectoryPoints + 1);
    const double step = double(points.size()) / kMostTrajectoryPoints;
    for (double at = 0; at < points.size(); at += step)
        kept.append(points.at(int(at)));
    kept.append(points.last());
    return kept;
}

} // namespace

int run_report(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    Options options;
    QString error;
    if (!parse(arguments, options, error)) {
        err << "poscam-session: " << error << Qt::endl;
        return 2;
    }
    session::SessionSummary summary;
    if (!session::scan_session(options.session, summary, error)) {
        err << "poscam-session: " << options.session << ": not a session file: " << error
            << Qt::endl;
        return 1;
    }
    const MapRows map = read_map_rows(options.map, options.limit);
    if (!map.ok) {
        err << "poscam-session: " << options.map << ": " << map.failure << Qt::endl;
        return 1;
    }

    report::CommissioningReport content;
    content.made = QDateTime::currentDateTime();
    content.port = summary.port_name;
    content.session = options.session;
    content.transfer_limit = options.limit;
    content.floor.set_table(table_of(map));
    if (const auto transfer = transfer::last_completed_transfer(options.ledger, content.port)) {
        content.serial_number = transfer->serial_number;
        content.map_source = transfer->source;
        content.map_fingerprint = transfer->fingerprint;
        content.map_transferred = transfer->time_utc;
    }

    QFile file(options.session);
    session::SessionReader reader;
    if (!file.open(QIODevice::ReadOnly) || !reader.open(&file)) {
        err << "poscam-session: " << options.session << ": "
            << (reader.error().isEmpty() ? file.errorString() : reader.error()) << Qt::endl;
        return 1;
    }
    report::Steadiness steadiness;
    QVector<QPointF> trajectory;
    protocol::ReceiveLoop cut;
    qint64 now_us = 0;
    auto take = [&](const protocol::Report &r) {
        switch (r.kind) {
        case protocol::ReportKind::Position:
            steadiness.add_position(now_us, r.position.x, r.position.y, r.position.rotation_angle);
            trajectory.append(QPointF(r.position.x, r.position.y));
            break;
        case protocol::ReportKind::Tag:
            content.floor.camera_reports(r.tag);
            break;
        case protocol::ReportKind::Error:
            steadiness.add_error(now_us);
            break;
        case protocol::ReportKind::Count:
            content.counters_known = true;
            content.first_count = r.first_count;
            content.second_count = r.second_count;
            break;
        default:
            break;
        }
    };
    cut.on_report = take;
    session::SessionPacket packet;
    session::SessionReader::Next next;
    while ((next = reader.next(packet)) == session::SessionReader::Next::Packet) {
        if (!packet.inbound)
            continue;
        now_us = packet.time_us;
        const qint64 spoiled = cut.frames_not_applied();
        cut.feed(packet.bytes);
        if (cut.frames_not_applied() > spoiled)
            steadiness.add_not_applied(now_us, cut.frames_not_applied() - spoiled);
    }
    if (next == session::SessionReader::Next::Error || reader.truncated()) {
        content.incomplete = true;
        err << "poscam-session: " << options.session << ": "
            << (reader.truncated() ? QStringLiteral("cut short") : reader.error())
            << "; the report holds what came before and is marked incomplete" << Qt::endl;
    }
    content.trajectory = thinned(trajectory);
    content.steadiness = steadiness.figures(now_us);

    if (!report::write_report_pdf(content, options.output, &error)) {
        err << "poscam-session: " << error << Qt::endl;
        return 1;
    }
    const FloorCheck::Counts counts = content.floor.counts(options.limit);
    out << "confirmed " << counts.confirmed << " / " << counts.total() << ", different "
        << counts.different << ", not in the map " << counts.unknown << ", not seen "
        << counts.unseen << (content.incomplete ? " (incomplete)" : "") << Qt::endl;
    return 0;
}

} // namespace sessiontool
