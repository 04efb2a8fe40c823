#include "camsimprocess.h"

#include <QFile>
#include <QTest>

#include <csignal>

CamsimProcess::CamsimProcess()
{
    process.setProgram(QStringLiteral(POSCAM_CAMSIM));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { read_output(); });
}

CamsimProcess::~CamsimProcess()
{
    if (process.state() != QProcess::NotRunning)
        stop();
}

bool CamsimProcess::start(const QStringList &options)
{
    if (!dir.isValid())
        return false;
    process.setArguments(options + QStringList{QStringLiteral("--log"),
                                               dir.filePath(QStringLiteral("frames.log")),
                                               QStringLiteral("--map"), map_path()});
    process.start();
    if (!process.waitForStarted(10000))
        return false;
    return !wait_for_line(QStringLiteral("port ")).isEmpty();
}

void CamsimProcess::read_output()
{
    pending += process.readAllStandardOutput();
    int end;
    while ((end = pending.indexOf('\n')) >= 0) {
        lines << QString::fromUtf8(pending.left(end));
        pending.remove(0, end + 1);
    }
}

int CamsimProcess::lines_starting_with(const QString &prefix) const
{
    int found = 0;
    for (const QString &line : lines)
        found += line.startsWith(prefix) ? 1 : 0;
    return found;
}

QString CamsimProcess::wait_for_line(const QString &prefix, int count, int timeout_ms)
{
    if (!QTest::qWaitFor([&] { return lines_starting_with(prefix) >= count; }, timeout_ms))
        return QString();
    int seen = 0;
    for (const QString &line : lines)
        if (line.startsWith(prefix) && ++seen == count)
            return line;
    return QString();
}

QString CamsimProcess::port() const
{
    for (int k = lines.size() - 1; k >= 0; --k)
        if (lines.at(k).startsWith(QLatin1String("port ")))
            return lines.at(k).mid(5);
    return QString();
}

void CamsimProcess::command(const QString &line)
{
    process.write(line.toUtf8() + '\n');
}

QString CamsimProcess::received_map(int timeout_ms)
{
    const int before = lines_starting_with(QStringLiteral("map "));
    ::kill(pid_t(process.processId()), SIGUSR1);
    if (wait_for_line(QStringLiteral("map "), before + 1, timeout_ms).isEmpty())
        return QString();
    QFile file(map_path());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QStringList CamsimProcess::received_rows()
{
    QStringList rows = received_map().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!rows.isEmpty())
        rows.removeFirst();
    for (QString &row : rows)
        row = row.section(QLatin1Char('\t'), 0, 4);
    return rows;
}

QString CamsimProcess::frame_log() const
{
    QFile file(dir.filePath(QStringLiteral("frames.log")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString CamsimProcess::map_path() const
{
    return dir.filePath(QStringLiteral("tags.tsv"));
}

bool CamsimProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return false;
    process.terminate();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
