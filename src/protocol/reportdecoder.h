#pragma once

#include "protocol/tagrecord.h"

#include <QByteArray>
#include <QVector>
#include <optional>

// The camera's reports, told apart by the length of the collected frame (the
// wire frame without its first and last byte) and, for some, one key byte.
namespace protocol
{

enum class ReportKind {
    Error,     // the camera reports a fault: the lamp goes red
    Count,     // the camera's two transfer counters
    RecordAck, // a tag record of the transfer arrived, by code id
    StartAck,  // the camera is ready for the tag records
    EndAck,    // the camera has taken the whole tag map
    CodeList,  // mode 2: the codes in view
    Tag,       // mode 2: one stored tag
    Position,  // where the robot stands
    Dropped,   // a known frame with no effect: unknown key, failed check byte, 12-byte list
};

struct PositionReport {
    float x = 0;
    float y = 0;
    float rotation_angle = 0; // degrees
    float attitude_x = 0;     // degrees
    float attitude_y = 0;     // degrees
};

// The tag as the camera stores it, in the units of the tag table.
using TagReport = TagRecord;

struct CodeListEntry {
    int id = 0;
    float first = 0;
    float second = 0;
    double third = 0;
};

struct Report {
    ReportKind kind = ReportKind::Dropped;
    int first_count = 0;  // Count
    int second_count = 0; // Count
    int code_id = 0;      // RecordAck
    PositionReport position;
    TagReport tag;
    // CodeList: only the entries whose check byte holds, in frame order.
    QVector<CodeListEntry> code_list;
    // Dropped because its check byte did not hold: the line corrupted it.
    bool check_failed = false;
};

// Decodes one collected frame by the first rule that matches it. Returns
// nothing when no rule matches; the frame is then not the camera's.
std::optional<Report> decode_report(const QByteArray &collected);

} // namespace protocol
