// poscam-map send: a map file into one camera, frame for frame as the
// window's "开始传输" sends the same table.
#include "cameralink.h"
#include "linkoptions.h"
#include "mapcheck.h"
#include "mapcommands.h"
#include "progressline.h"
#include "stopsignals.h"

#include "link/seriallink.h"
#include "protocol/commandframes.h"
#include "protocol/wirelayout.h"
#include "tags/tagcheck.h"
#include "transfer/fingerprint.h"
#include "transfer/ledger.h"
#include "transfer/transfer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

namespace maptool
{
namespace
{

constexpr double kDefaultTimeoutS = 10;
// The camera sends its counters just after the end acknowledgement.
constexpr int kCountsAfterEndMs = 500;

int usage_error(QTextStream &err, const QString &what)
{
    err << "poscam-map send: " << what << "\nTry 'poscam-map --help'.\n";
    return exit_status::unreadable;
}

struct SendOptions {
    LinkOptions link;
    bool force = false;
    double timeout_s = kDefaultTimeoutS;
};

std::optional<QString> parse(const QStringList &arguments, SendOptions &options)
{
    QStringList rest;
    if (const std::optional<QString> error =
            take_link_options(arguments, {QStringLiteral("--timeout")}, options.link, rest))
        return error;
    for (int k = 0; k < rest.size(); ++k) {
        if (rest.at(k) == QLatin1String("--force")) {
            options.force = true;
        } else if (rest.at(k) == QLatin1String("--timeout") && k + 1 < rest.size()) {
            const std::optional<double> seconds = seconds_value(rest.at(++k));
            if (!seconds)
                return QStringLiteral("--timeout is a positive number of seconds");
            options.timeout_s = *seconds;
        } else {
            return QStringLiteral("unexpected %1").arg(rest.at(k));
        }
    }
    return std::nullopt;
}

// The transfer as the window runs it: the same steps of transfer::State, a
// frame per 50 ms tick, moved only by the camera's acknowledgements.
class Transfer
{
public:
    Transfer(seriallink::Link &link, const transfer::State &start, const SendOptions &options,
             QTextStream &out)
        : link(link), state(start), options(options),
          progress(out, stdout_is_terminal(), int(start.list.size()))
    {
        record_frame = protocol::record_frame_template();
        start_frame = protocol::short_frame(protocol::kTransferStartKey);
        end_frame = protocol::short_frame(protocol::kTransferEndKey);
    }

    enum class Outcome { completed, camera_silent, camera_ended, port_lost, interrupted };

    Outcome run()
    {
        QObject::connect(&link, &seriallink::Link::report, &loop,
                         [this](const protocol::Report &report) { apply(report); });
        QObject::connect(&link, &seriallink::Link::lost, &loop,
                         [this] { finish(Outcome::port_lost); });
        StopSignals stop_signals;
        QObject::connect(&stop_signals, &StopSignals::stop_requested, &loop,
                         [this] { finish(Outcome::interrupted); });
        QObject::connect(&ticks, &QTimer::timeout, &loop, [this] { tick(); });
        QObject::connect(&counts_wait, &QTimer::timeout, &loop,
                         [this] { finish(Outcome::completed); });
        counts_wait.setSingleShot(true);
        since_acknowledged.start();
        ticks.start(kTransferTickMs);
        loop.exec();
        ticks.stop();
        progress.finish();
        return outcome;
    }

    // The record under way, from 1, as the messages name it.
    int record_number() const
    {
        return state.index + 1;
    }
    int first_count = -1;
    int second_count = -1;

private:
    void tick()
    {
        if (since_acknowledged.elapsed() >= qint64(options.timeout_s * 1000)) {
            finish(Outcome::camera_silent);
            return;
        }
        const std::optional<transfer::Tick> next = transfer::tick(state);
        if (!next)
            return;
        protocol::fill_record_frame(record_frame, next->record);
        switch (next->frame) {
        case TransferFrame::start_request:
            link.write(start_frame);
            break;
        case TransferFrame::current_record:
            link.write(record_frame);
            break;
        case TransferFrame::end_request:
            link.write(end_frame);
            break;
        case TransferFrame::nothing:
            break;
        }
    }

    void apply(const protocol::Report &report)
    {
        if (finished)
            return;
        const transfer::State before = state;
        switch (report.kind) {
        case protocol::ReportKind::Count:
            first_count = report.first_count;
            second_count = report.second_count;
            if (counts_wait.isActive())
                finish(Outcome::completed);
            return;
        case protocol::ReportKind::StartAck:
            state = transfer::start_acknowledged(state);
            break;
        case protocol::ReportKind::RecordAck:
            state = transfer::record_acknowledged(state, report.code_id);
            break;
        case protocol::ReportKind::EndAck:
            if (!state.running)
                return;
            // The window takes any end acknowledgement as the end; only one
            // after the last record is a map the camera holds whole.
            if (!state.all_acked || !state.start_acked) {
                state = transfer::ended(state);
                finish(Outcome::camera_ended);
                return;
            }
            acknowledged_all = true;
            state = transfer::ended(state);
            ticks.stop();
            progress.update(int(state.list.size()));
            counts_wait.start(kCountsAfterEndMs);
            return;
        default:
            return;
        }
        if (state.index != before.index || state.all_acked != before.all_acked ||
            state.start_acked != before.start_acked)
            since_acknowledged.restart();
        progress.update(state.index + (state.all_acked ? 1 : 0));
    }

    void finish(Outcome how)
    {
        if (finished)
            return;
        finished = true;
        // Interrupted, silent or lost: nothing more goes to the camera.
        ticks.stop();
        if (how != Outcome::completed)
            state = transfer::ended(state);
        outcome = acknowledged_all && how != Outcome::interrupted ? Outcome::completed : how;
        loop.quit();
    }

    seriallink::Link &link;
    transfer::State state;
    const SendOptions &options;
    ProgressLine progress;
    QByteArray record_frame, start_frame, end_frame;
    QEventLoop loop;
    QTimer ticks;
    QTimer counts_wait;
    QElapsedTimer since_acknowledged;
    bool finished = false;
    bool acknowledged_all = false;
    Outcome outcome = Outcome::interrupted;
};

QString counter_text(int count)
{
    return count < 0 ? QStringLiteral("-") : QString::number(count);
}

// One ledger line per transfer, refused ones included; a line that cannot be
// written is one warning, and the transfer's result stands.
void write_ledger(const SendOptions &options, const seriallink::Link *link,
                  const QVector<TagRecord> &records, transfer::Outcome outcome, int first_count,
                  int second_count, QTextStream &err)
{
    transfer::LedgerLine line;
    line.time_utc = QDateTime::currentDateTimeUtc();
    line.program = QStringLiteral("poscam-map");
    line.port = options.link.port.port_name;
    if (link)
        line.serial_number = link->device().serial_number;
    line.source = QFileInfo(options.link.file).fileName();
    line.records = records.size();
    line.fingerprint = records.isEmpty() ? QString() : transfer::fingerprint(records);
    line.outcome = outcome;
    line.first_count = first_count < 0 ? QString() : QString::number(first_count);
    line.second_count = second_count < 0 ? QString() : QString::number(second_count);
    if (const std::optional<QString> warning = transfer::append_ledger_line(line)) {
        err << "poscam-map send: warning: " << *warning << '\n';
        err.flush();
    }
}

int run_send(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    SendOptions options;
    if (const std::optional<QString> error = parse(arguments, options))
        return usage_error(err, *error);
    const MapCheck map = check_map_file(options.link.file, options.link.limit);
    if (!map.failure.isEmpty()) {
        err << "poscam-map send: " << map.failure << '\n';
        return exit_status::unreadable;
    }
    if (!map.refusal.isEmpty()) {
        err << "poscam-map send: " << options.link.file << ": " << map.refusal << '\n';
        write_ledger(options, nullptr, map.records, transfer::Outcome::refused, -1, -1, err);
        return exit_status::findings;
    }
    if (!map.findings.isEmpty() && !options.force) {
        for (const TagFinding &finding : map.findings)
            err << tag_finding_line(finding) << '\n';
        err << "poscam-map send: " << map.findings.size()
            << " findings; nothing sent (--force sends the map as it is)\n";
        write_ledger(options, nullptr, map.records, transfer::Outcome::refused, -1, -1, err);
        return exit_status::findings;
    }
    if (map.records.isEmpty()) {
        err << "poscam-map send: " << options.link.file << ": no tag within the limit of "
            << options.link.limit << " rows; nothing sent\n";
        return exit_status::findings;
    }

    seriallink::Link link;
    if (const std::optional<int> failed = open_camera_link(link, options.link, "send", err))
        return *failed;
    transfer::State start;
    start.list = map.records;
    start.running = true;
    Transfer transfer(link, start, options, out);
    const Transfer::Outcome outcome = transfer.run();
    const QString at =
        QStringLiteral("at record %1 of %2").arg(transfer.record_number()).arg(map.records.size());
    link.close();
    const auto ledger = [&](transfer::Outcome how) {
        write_ledger(options, &link, map.records, how, transfer.first_count, transfer.second_count,
                     err);
    };

    switch (outcome) {
    case Transfer::Outcome::completed:
        ledger(transfer::Outcome::completed);
        out << "sent " << map.records.size() << " records to " << options.link.port.port_name
            << '\n'
            << "camera counts: " << counter_text(transfer.first_count) << ' '
            << counter_text(transfer.second_count) << '\n'
            << "fingerprint: " << map.fingerprint << '\n';
        out.flush();
        return exit_status::ok;
    case Transfer::Outcome::camera_silent:
        ledger(transfer::Outcome::camera_silent);
        err << "poscam-map send: camera silent for " << options.timeout_s << " s " << at << '\n';
        return exit_status::camera_silent;
    case Transfer::Outcome::camera_ended:
        ledger(transfer::Outcome::interrupted);
        err << "poscam-map send: the camera ended the transfer " << at << '\n';
        return exit_status::camera_silent;
    case Transfer::Outcome::port_lost:
        ledger(transfer::Outcome::port_lost);
        err << "poscam-map send: port " << options.link.port.port_name << " lost " << at << '\n';
        return exit_status::port_lost;
    case Transfer::Outcome::interrupted:
        ledger(transfer::Outcome::interrupted);
        err << "poscam-map send: interrupted " << at << '\n';
        return exit_status::interrupted;
    }
    return exit_status::interrupted;
}

} // namespace

extern const Command send_command;
const Command send_command = {
    QStringLiteral("send"),
    QStringLiteral("  send --port DEV [PORT SETTINGS] [--limit N] [--force] [--timeout S]\n"
                   "       [--no-record] FILE\n"
                   "               checks FILE as check does, then sends its first N rows (200)\n"
                   "               to the camera as the window's transfer does: the same frames,\n"
                   "               one per 50 ms, each repeated until acknowledged. Findings\n"
                   "               refuse the send unless --force; a record the camera cannot\n"
                   "               receive always does. Prints progress, then the camera's two\n"
                   "               counters. A camera that acknowledges nothing for S seconds\n"
                   "               (10) ends it with status 3.\n"),
    run_send,
};

} // namespace maptool
