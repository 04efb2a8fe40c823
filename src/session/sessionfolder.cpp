#include "session/sessionfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace session
{

QString sessions_folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/sessions");
}

QString session_file_name(const QDateTime &start, const QString &port_name)
{
    QString port = port_name;
    if (port.startsWith(QLatin1String("/dev/")))
        port = port.mid(5);
    port.replace(QLatin1Char('/'), QLatin1Char('-'));
    if (port.isEmpty())
        port = QStringLiteral("port");
    return QStringLiteral("poscam-") + start.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           QLatin1Char('-') + port + QStringLiteral(".pcapng");
}

int prune_sessions(const QString &folder, qint64 max_bytes)
{
    // Oldest first by the start time in the name, which the clock of the
    // machine that wrote it set, not by a copy's modification time.
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("poscam-*.pcapng")}, QDir::Files, QDir::Name);
    qint64 total = 0;
    for (const QFileInfo &file : files)
        total += file.size();
    int removed = 0;
    for (const QFileInfo &file : files) {
        if (total <= max_bytes)
            break;
        if (QFile::remove(file.absoluteFilePath())) {
            total -= file.size();
            ++removed;
        }
    }
    return removed;
}

} // namespace session
