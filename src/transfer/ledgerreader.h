#pragma once

#include <QString>
#include <optional>

// Reads back the transfer ledger (ledger.h) to say which map went into the
// camera on a port. Columns are found by the header line's names.
namespace transfer
{

struct LedgerEntry {
    QString time_utc;
    QString program;
    QString port;
    QString serial_number;
    QString source;
    QString fingerprint;
    QString first_count;
    QString second_count;
};

// The last transfer that completed to the camera on `port` (or, when
// `serial_number` is not empty, through that adapter under any name), from
// `folder`/transfers.csv. Nothing when the ledger is missing, unreadable or
// holds no such line; lines that do not read as the header says are passed
// over.
std::optional<LedgerEntry> last_completed_transfer(const QString &folder, const QString &port,
                                                   const QString &serial_number = QString());

} // namespace transfer
