#include "synthsession.h"

#include "floorpath.h"
#include "protocol/commandframes.h"
#include "protocol/wirelayout.h"
#include "session/pcapng.h"

#include <QFile>
#include <cstdint>

namespace
{

// 2026-12-08 09:00:00 UTC.
constexpr qint64 kStartUs = 1796720400LL * 1000000;

// Deterministic 1..16 ms gaps between reads.
qint64 next_gap_us(uint32_t &state)
{
    state = state * 1664525u + 1013904223u;
    return 1000 + qint64(state >> 8) % 15001;
}

} // namespace

bool write_synth_session(const QString &path, const SynthSession &session, long &packets,
                         long &reports)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray out =
        session::section_header_block(QStringLiteral("poscam")) +
        session::interface_block(QStringLiteral("ttyUSB0"), QStringLiteral("115200 8N1 无流控"));
    const double speed_cm_per_report = session.speed_cm_per_s / session.rate;
    const qint64 end_us = qint64(session.seconds * 1e6);
    const qint64 command_every_us = 60 * 1000000;
    QByteArray stream; // made, not yet read
    long made = 0;
    qint64 made_bytes = 0;
    qint64 read_bytes = 0;
    packets = 0;
    qint64 next_command_us = command_every_us / 2;
    uint32_t state = 1;
    for (qint64 now = 0; now < end_us; now += next_gap_us(state)) {
        // What the line carried by `now`, wherever that falls in a report.
        const qint64 due = qint64(double(now) * session.rate * protocol::kPositionReportSize / 1e6);
        while (made_bytes < due) {
            const QByteArray report = position_report(floor_pose(made++, speed_cm_per_report));
            stream += report;
            made_bytes += report.size();
        }
        if (due > read_bytes) {
            const int size = int(due - read_bytes);
            out += session::packet_block(kStartUs + now, true, stream.left(size));
            stream.remove(0, size);
            read_bytes = due;
            ++packets;
        }
        if (now >= next_command_us) {
            const bool on = (now / command_every_us) % 2 == 0;
            out += session::packet_block(kStartUs + now, false,
                                         on ? protocol::angle_frame(true)
                                            : protocol::short_frame(protocol::kModeOneKey));
            ++packets;
            next_command_us += command_every_us;
        }
        if (out.size() >= (1 << 20)) {
            if (file.write(out) != out.size())
                return false;
            out.clear();
        }
    }
    reports = long(read_bytes / protocol::kPositionReportSize);
    return file.write(out) == out.size() && file.flush();
}
