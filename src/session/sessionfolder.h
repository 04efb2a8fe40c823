#pragma once

#include <QDateTime>
#include <QString>

// Where sessions are kept and what they are called.
namespace session
{

// A session file over this size is closed and the next one continues it.
constexpr qint64 kMaxSessionFileBytes = qint64(256) << 20;
// At each connection the oldest sessions go until the folder holds no more.
constexpr qint64 kMaxFolderBytes = qint64(2) << 30;

// AppLocalDataLocation + "/sessions".
QString sessions_folder();

// "poscam-20261208-143200-ttyUSB0.pcapng"; a port given as a path drops
// "/dev/" and has its other slashes as dashes ("pts-3").
QString session_file_name(const QDateTime &start, const QString &port_name);

// Deletes session files, oldest first, until those left hold at most
// `max_bytes`; returns how many went.
int prune_sessions(const QString &folder, qint64 max_bytes);

} // namespace session
