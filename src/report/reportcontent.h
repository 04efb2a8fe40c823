#pragma once

#include "report/steadiness.h"
#include "tags/floorcheck.h"

#include <QDateTime>
#include <QPointF>
#include <QString>
#include <QVector>

// Everything the commissioning report states, gathered by the window or by
// poscam-session from the same floor check and steadiness figures.
namespace report
{

struct CommissioningReport {
    QDateTime made;          // when the report was made, local time
    QString port;            // the port the camera is on, or the session's
    QString serial_number;   // the adapter's, empty when it has none
    QString map_source;      // where the map came from, as the ledger has it
    QString map_fingerprint; // the map that was transferred, as the ledger has it
    QString map_transferred; // when, as the ledger has it (UTC)
    QString session;         // the session file a command-line report was made from
    bool incomplete = false; // the session was cut short
    int transfer_limit = 0;

    FloorCheck floor;
    QVector<QPointF> trajectory; // cm, oldest first
    SteadinessFigures steadiness;
    bool counters_known = false;
    int first_count = 0; // the camera's counters, as it last reported them
    int second_count = 0;
};

} // namespace report
