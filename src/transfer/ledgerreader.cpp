#include "transfer/ledgerreader.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QVector>

namespace transfer
{

namespace
{

// The ledger never grows large, but a file someone put in its place might.
constexpr qint64 kMostLedgerBytes = 64 * 1024 * 1024;

// RFC 4180 records: fields quoted when they hold a comma, a quote or a line
// break, a quote doubled inside.
QVector<QStringList> csv_records(const QString &text)
{
    QVector<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int k = 0; k < text.size(); ++k) {
        const QChar c = text.at(k);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (k + 1 < text.size() && text.at(k + 1) == QLatin1Char('"')) {
                    field += c;
                    ++k;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields.append(field);
            field.clear();
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && k + 1 < text.size() &&
                text.at(k + 1) == QLatin1Char('\n'))
                ++k;
            fields.append(field);
            field.clear();
            records.append(fields);
            fields.clear();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !fields.isEmpty()) {
        fields.append(field);
        records.append(fields);
    }
    return records;
}

} // namespace

std::optional<LedgerEntry> last_completed_transfer(const QString &folder, const QString &port,
                                                   const QString &serial_number)
{
    QFile file(QDir(folder).filePath(QStringLiteral("transfers.csv")));
    if (folder.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMostLedgerBytes)
        return std::nullopt;
    const QVector<QStringList> records = csv_records(QString::fromUtf8(file.readAll()));
    if (records.isEmpty())
        return std::nullopt;
    const QStringList &header = records.first();
    const auto column = [&header](const char *name) { return header.indexOf(QLatin1String(name)); };
    const int c_time = column("time_utc"), c_program = column("program"), c_port = column("port"),
              c_serial = column("serial_number"), c_source = column("source"),
              c_fingerprint = column("fingerprint"), c_outcome = column("outcome"),
              c_first = column("first_count"), c_second = column("second_count");
    if (c_port < 0 || c_outcome < 0 || c_fingerprint < 0)
        return std::nullopt;
    for (int k = records.size() - 1; k > 0; --k) {
        const QStringList &fields = records.at(k);
        if (fields.size() != header.size() || fields.at(c_outcome) != QLatin1String("completed"))
            continue;
        const bool same_adapter =
            !serial_number.isEmpty() && c_serial >= 0 && fields.at(c_serial) == serial_number;
        if (fields.at(c_port) != port && !same_adapter)
            continue;
        LedgerEntry entry;
        entry.time_utc = fields.value(c_time);
        entry.program = fields.value(c_program);
        entry.port = fields.at(c_port);
        entry.serial_number = fields.value(c_serial);
        entry.source = fields.value(c_source);
        entry.fingerprint = fields.at(c_fingerprint);
        entry.first_count = fields.value(c_first);
        entry.second_count = fields.value(c_second);
        return entry;
    }
    return std::nullopt;
}

} // namespace transfer
