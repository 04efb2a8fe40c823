#pragma once

#include <QString>

// One pass over a session file: whether it is one, and what it holds.
namespace session
{

struct SessionSummary {
    QString port_name;
    QString description;
    qint64 start_us = 0; // the first packet's time; 0 without packets
    qint64 end_us = 0;   // the last packet's time
    qint64 packets_in = 0;
    qint64 packets_out = 0;
    qint64 bytes_in = 0;
    qint64 bytes_out = 0;
    qint64 positions = 0; // position reports the window would show
    bool truncated = false;
};

// False with the reason in `error` when the file is not a session.
bool scan_session(const QString &path, SessionSummary &summary, QString &error);

} // namespace session
