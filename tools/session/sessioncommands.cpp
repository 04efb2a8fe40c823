#include "sessioncommands.h"

#include "protocol/receiveloop.h"
#include "session/sessionreader.h"
#include "session/sessionscan.h"

#include <QDateTime>
#include <QFile>
#include <QTextStream>
#include <functional>

namespace sessiontool
{
namespace
{

QString seconds_text(qint64 us)
{
    return QString::number(double(us) / 1e6, 'f', 6);
}

// Reads every packet of a session that scan_session() passed, in order.
int for_each_packet(
    const QString &path, QTextStream &err,
    const std::function<void(qint64 start_us, const session::SessionPacket &)> &take)
{
    session::SessionSummary summary;
    QString error;
    if (!session::scan_session(path, summary, error)) {
        err << "poscam-session: " << path << ": not a session file: " << error << Qt::endl;
        return 1;
    }
    QFile file(path);
    session::SessionReader reader;
    if (!file.open(QIODevice::ReadOnly) || !reader.open(&file)) {
        err << "poscam-session: " << path << ": " << file.errorString() << Qt::endl;
        return 1;
    }
    session::SessionPacket packet;
    while (reader.next(packet) == session::SessionReader::Next::Packet)
        take(summary.start_us, packet);
    return 0;
}

} // namespace

QString usage_text()
{
    return QStringLiteral(
        "Usage: poscam-session COMMAND FILE [OPTIONS]\n"
        "Reads a session file that poscam recorded (pcapng, one per connection).\n"
        "\n"
        "Commands:\n"
        "  info FILE    port, line settings, start, duration, bytes each way,\n"
        "               position reports decoded\n"
        "  poses FILE   the position reports as CSV on standard output:\n"
        "               time_s,x,y,rotation_deg,attitude_x_deg,attitude_y_deg\n"
        "               with the time from the session's first packet\n"
        "  log FILE     one line per packet: time, direction (<< from the camera,\n"
        "               >> to it), the bytes in hex\n"
        "  report FILE --map MAP -o PDF [--limit ROWS] [--ledger FOLDER]\n"
        "               the commissioning report: the session's mode-2 tag reports\n"
        "               compared with the map (a workbook or DXF drawing, its first\n"
        "               ROWS rows, 20000 unless given), the floor picture, the\n"
        "               position's steadiness over the last 10 s, as an A4 PDF;\n"
        "               a session cut short is reported and marked incomplete;\n"
        "               the map's source and fingerprint come from the last\n"
        "               completed transfer to the session's port in FOLDER's\n"
        "               transfers.csv (poscam's data folder unless given)\n"
        "\n"
        "  --help       this text\n"
        "  --version    the version\n"
        "\n"
        "A file that is not a session is refused with the reason, exit status 1.\n");
}

int run_info(const QString &path, QTextStream &out, QTextStream &err)
{
    session::SessionSummary summary;
    QString error;
    if (!session::scan_session(path, summary, error)) {
        err << "poscam-session: " << path << ": not a session file: " << error << Qt::endl;
        return 1;
    }
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(summary.start_us / 1000);
    out << "port:       " << summary.port_name << '\n'
        << "settings:   " << summary.description << '\n'
        << "start:      "
        << (summary.start_us ? start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                             : QStringLiteral("-"))
        << '\n'
        << "duration:   " << seconds_text(summary.end_us - summary.start_us) << " s\n"
        << "inbound:    " << summary.bytes_in << " bytes in " << summary.packets_in << " packets\n"
        << "outbound:   " << summary.bytes_out << " bytes in " << summary.packets_out
        << " packets\n"
        << "positions:  " << summary.positions << '\n';
    if (summary.truncated)
        out << "note:       the last block was cut short and is left out\n";
    out.flush();
    return 0;
}

int run_poses(const QString &path, QTextStream &out, QTextStream &err)
{
    protocol::ReceiveLoop decoder;
    qint64 time_us = 0;
    out << "time_s,x,y,rotation_deg,attitude_x_deg,attitude_y_deg\n";
    decoder.on_report = [&](const protocol::Report &report) {
        if (report.kind != protocol::ReportKind::Position)
            return;
        const protocol::PositionReport &pose = report.position;
        out << seconds_text(time_us) << ',' << QString::number(pose.x, 'g', 9) << ','
            << QString::number(pose.y, 'g', 9) << ','
            << QString::number(pose.rotation_angle, 'g', 9) << ','
            << QString::number(pose.attitude_x, 'g', 9) << ','
            << QString::number(pose.attitude_y, 'g', 9) << '\n';
    };
    const int status =
        for_each_packet(path, err, [&](qint64 start_us, const session::SessionPacket &packet) {
            if (!packet.inbound)
                return;
            time_us = packet.time_us - start_us;
            decoder.feed(packet.bytes);
        });
    out.flush();
    return status;
}

int run_log(const QString &path, QTextStream &out, QTextStream &err)
{
    const int status =
        for_each_packet(path, err, [&](qint64 start_us, const session::SessionPacket &packet) {
            out << seconds_text(packet.time_us - start_us) << (packet.inbound ? " << " : " >> ")
                << packet.bytes.toHex(' ').toUpper() << '\n';
        });
    out.flush();
    return status;
}

} // namespace sessiontool
