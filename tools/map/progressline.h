#pragma once

#include <QElapsedTimer>

class QTextStream;

namespace maptool
{

// Progress of a transfer. On a terminal one line, redrawn at most ten times
// a second: acknowledged / total, rate, time left. Elsewhere (a log file, a
// pipe to xargs) one plain line at every tenth of the way, so that eight
// robots loaded at once leave readable logs.
class ProgressLine
{
public:
    ProgressLine(QTextStream &out, bool terminal, int total);
    void update(int acknowledged);
    // Ends the redrawn line, so that what follows starts on a line of its own.
    void finish();

private:
    void draw(int acknowledged);

    QTextStream &out;
    bool terminal;
    int total;
    int last_tenth = 0;
    qint64 last_draw_ms = -1;
    bool drawn = false;
    QElapsedTimer clock;
};

// Whether standard output is a terminal.
bool stdout_is_terminal();

} // namespace maptool
