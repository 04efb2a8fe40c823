#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// The ledger of transfers: one line per transfer, from the window or from
// poscam-map, in transfers.csv in the application's data folder, so that
// afterwards anyone can say which map went into which robot.
namespace transfer
{

enum class Outcome { completed, interrupted, camera_silent, port_lost, refused };

// "completed", "interrupted", "camera silent", "port lost", "refused".
QString outcome_name(Outcome outcome);

struct LedgerLine {
    QDateTime time_utc;
    QString program;       // "poscam", "poscam-map"
    QString port;          // as the operator named it
    QString serial_number; // the adapter's, when it has one
    QString source;        // a file name, or "table" for the window's table
    int records = 0;       // records sent, or that were to be sent
    QString fingerprint;
    Outcome outcome = Outcome::completed;
    QString first_count;  // the camera's two counters as last reported;
    QString second_count; // empty when it reported none
};

// The header line and one line as they appear in the file, each without its
// line end. Fields holding a comma, a quote or a line break are quoted.
QString ledger_header();
QString ledger_text(const LedgerLine &line);

// QStandardPaths' AppDataLocation: the window and poscam-map share it.
QString ledger_folder();

// Appends `line` to `folder`/transfers.csv, creating the folder and the
// header line when they are missing. Programs appending at once are kept
// apart by a lock file. A transfer never depends on this: the result is the
// one-line warning to show when the line could not be written.
std::optional<QString> append_ledger_line(const LedgerLine &line,
                                          const QString &folder = ledger_folder());

} // namespace transfer
