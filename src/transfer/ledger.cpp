#include "transfer/ledger.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

namespace transfer
{

namespace
{

const char *const kFileName = "transfers.csv";
// Long enough for another program's append, short enough that a stale lock
// of a killed program does not hold a transfer's end for long.
constexpr int kLockWaitMs = 3000;

QString csv_field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString outcome_name(Outcome outcome)
{
    switch (outcome) {
    case Outcome::completed:
        return QStringLiteral("completed");
    case Outcome::interrupted:
        return QStringLiteral("interrupted");
    case Outcome::camera_silent:
        return QStringLiteral("camera silent");
    case Outcome::port_lost:
        return QStringLiteral("port lost");
    case Outcome::refused:
        return QStringLiteral("refused");
    }
    return QString();
}

QString ledger_header()
{
    return QStringLiteral("time_utc,program,port,serial_number,source,records,fingerprint,"
                          "outcome,first_count,second_count");
}

QString ledger_text(const LedgerLine &line)
{
    const QStringList fields = {
        line.time_utc.toUTC().toString(Qt::ISODate),
        line.program,
        line.port,
        line.serial_number,
        line.source,
        QString::number(line.records),
        line.fingerprint,
        outcome_name(line.outcome),
        line.first_count,
        line.second_count,
    };
    QStringList quoted;
    for (const QString &field : fields)
        quoted.append(csv_field(field));
    return quoted.join(QLatin1Char(','));
}

QString ledger_folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

std::optional<QString> append_ledger_line(const LedgerLine &line, const QString &folder)
{
    const QString path = QDir(folder).filePath(QLatin1String(kFileName));
    const auto failed = [&path](const QString &why) {
        return QStringLiteral("the transfer ledger %1 could not be written: %2").arg(path, why);
    };
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return failed(QStringLiteral("its folder cannot be made"));
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return failed(QStringLiteral("another program holds it"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return failed(file.errorString());
    QByteArray bytes;
    if (file.size() == 0)
        bytes = ledger_header().toUtf8() + '\n';
    bytes += ledger_text(line).toUtf8() + '\n';
    // One write, and a short one counts as a failure: a full disk must not
    // pass for a written line.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed(file.errorString());
    return std::nullopt;
}

} // namespace transfer
