#include "progressline.h"

#include <QString>
#include <QTextStream>

#include <unistd.h>

namespace maptool
{

namespace
{

constexpr qint64 kRedrawMs = 100;

} // namespace

ProgressLine::ProgressLine(QTextStream &out, bool terminal, int total)
    : out(out), terminal(terminal), total(total)
{
    clock.start();
}

void ProgressLine::update(int acknowledged)
{
    if (total <= 0)
        return;
    if (!terminal) {
        const int tenth = int(qint64(acknowledged) * 10 / total);
        if (tenth <= last_tenth)
            return;
        last_tenth = tenth;
        out << acknowledged << '/' << total << " records acknowledged (" << tenth * 10 << " %)\n";
        out.flush();
        return;
    }
    const qint64 now = clock.elapsed();
    if (drawn && now - last_draw_ms < kRedrawMs && acknowledged < total)
        return;
    last_draw_ms = now;
    draw(acknowledged);
}

void ProgressLine::draw(int acknowledged)
{
    const double seconds = clock.elapsed() / 1000.0;
    const double rate = seconds > 0 ? acknowledged / seconds : 0;
    QString left = QStringLiteral("-");
    if (rate > 0)
        left = QString::number(qint64((total - acknowledged) / rate + 0.5)) + QStringLiteral(" s");
    out << '\r' << acknowledged << '/' << total << " records  " << QString::number(rate, 'f', 1)
        << " records/s  " << left << " left\x1b[K";
    out.flush();
    drawn = true;
}

void ProgressLine::finish()
{
    if (terminal && drawn) {
        out << '\n';
        out.flush();
        drawn = false;
    }
}

bool stdout_is_terminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

} // namespace maptool
