// poscam-map check: a map file checked as "开始传输" checks the table.
#include "mapcheck.h"
#include "mapcommands.h"
#include "transfer/transferstep.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace maptool
{
namespace
{

int usage_error(QTextStream &err, const QString &what)
{
    err << "poscam-map check: " << what << "\nTry 'poscam-map --help'.\n";
    return exit_status::unreadable;
}

QJsonObject finding_object(const TagFinding &finding)
{
    QJsonObject object{
        {QStringLiteral("kind"), tag_finding_kind_name(finding.kind)},
        {QStringLiteral("row"), finding.row},
        {QStringLiteral("column"), finding.column + 1},
        {QStringLiteral("cell"), finding.cell},
        {QStringLiteral("sent"), finding.sent},
    };
    if (!finding.expected.isEmpty())
        object.insert(QStringLiteral("expected"), finding.expected);
    return object;
}

int run_check(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QString path;
    int limit = kDefaultTransportLimit;
    bool json = false;
    for (int k = 0; k < arguments.size(); ++k) {
        const QString &argument = arguments.at(k);
        if (argument == QLatin1String("--json")) {
            json = true;
        } else if (argument == QLatin1String("--limit")) {
            bool number = false;
            if (k + 1 < arguments.size())
                limit = arguments.at(++k).toInt(&number);
            if (!number || limit < 0)
                return usage_error(err, QStringLiteral("--limit needs a whole number of rows"));
            limit = std::min(limit, kMaxTransportLimit);
        } else if (path.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
            path = argument;
        } else {
            return usage_error(err, QStringLiteral("unexpected %1").arg(argument));
        }
    }
    if (path.isEmpty())
        return usage_error(err, QStringLiteral("FILE is required"));

    const MapCheck check = check_map_file(path, limit);
    if (!check.failure.isEmpty()) {
        err << "poscam-map check: " << check.failure << '\n';
        return exit_status::unreadable;
    }
    const bool clean = check.findings.isEmpty() && check.refusal.isEmpty();
    if (json) {
        QJsonArray array;
        if (!check.refusal.isEmpty())
            array.append(QJsonObject{{QStringLiteral("kind"), QStringLiteral("cannot_receive")},
                                     {QStringLiteral("row"), check.unreceivable_row},
                                     {QStringLiteral("reason"), check.refusal}});
        for (const TagFinding &finding : check.findings)
            array.append(finding_object(finding));
        out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return clean ? exit_status::ok : exit_status::findings;
    }
    if (!check.refusal.isEmpty())
        out << QString(check.refusal).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
    for (const TagFinding &finding : check.findings)
        out << tag_finding_line(finding) << '\n';
    const QString name = QFileInfo(path).fileName();
    if (!check.refusal.isEmpty()) {
        out << name << ": a record the camera cannot receive; the map cannot be sent\n";
        return exit_status::findings;
    }
    out << name << ": " << check.records.size() << " records to send, " << check.findings.size()
        << (check.findings.size() == 1 ? " finding" : " findings") << ", fingerprint "
        << check.fingerprint << '\n';
    return clean ? exit_status::ok : exit_status::findings;
}

} // namespace

extern const Command check_command;
const Command check_command = {
    QStringLiteral("check"),
    QStringLiteral("  check [--limit N] [--json] FILE\n"
                   "               reads FILE as the import does and checks the first N rows\n"
                   "               (default 200, at most 20000) as a transfer does: one line per\n"
                   "               finding, then the records to send and the map's fingerprint.\n"
                   "               Tags after row N are a finding of their own. --json prints an\n"
                   "               array of {kind, row, column, cell, sent} instead, rows and\n"
                   "               columns counted from 1.\n"),
    run_check,
};

} // namespace maptool
