#include "session/sessionscan.h"

#include "protocol/receiveloop.h"
#include "session/sessionreader.h"

#include <QFile>

namespace session
{

bool scan_session(const QString &path, SessionSummary &summary, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    SessionReader reader;
    if (!reader.open(&file)) {
        error = reader.error();
        return false;
    }
    summary = SessionSummary();
    summary.port_name = reader.port_name();
    summary.description = reader.description();
    protocol::ReceiveLoop decoder;
    decoder.on_report = [&](const protocol::Report &report) {
        if (report.kind == protocol::ReportKind::Position)
            ++summary.positions;
    };
    SessionPacket packet;
    SessionReader::Next next;
    while ((next = reader.next(packet)) == SessionReader::Next::Packet) {
        if (summary.packets_in + summary.packets_out == 0)
            summary.start_us = packet.time_us;
        summary.end_us = packet.time_us;
        if (packet.inbound) {
            ++summary.packets_in;
            summary.bytes_in += packet.bytes.size();
            decoder.feed(packet.bytes);
        } else {
            ++summary.packets_out;
            summary.bytes_out += packet.bytes.size();
        }
    }
    if (next == SessionReader::Next::Error) {
        error = reader.error();
        return false;
    }
    summary.truncated = reader.truncated();
    return true;
}

} // namespace session
