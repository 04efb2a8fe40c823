#pragma once

#include "protocol/tagrecord.h"
#include "protocol/wirelayout.h"

#include <QByteArray>
#include <QVector>

// The reports as the camera writes them, laid out as wirelayout.h says. These
// are what the host's decoder reads; a simulated camera and tests build them
// here. Payloads are written as they are, even where a value happens to form
// a marker pair: the camera does not escape either.
namespace camera
{

// A pose in the units of the wire: tenths for x, y and the rotation angle,
// hundredths of a degree for the attitude angles.
struct PositionFields {
    qint32 x_tenths = 0;              // |x| below 2^24
    qint32 y_tenths = 0;              // |y| below 2^24
    quint16 rotation_tenths = 0;      // 0 .. 3599 for a camera, any 16-bit value on the wire
    qint32 attitude_x_hundredths = 0; // |value| below 2^16
    qint32 attitude_y_hundredths = 0; // |value| below 2^16
};

// One code in the camera's view: two signed values and one unsigned value, all
// in tenths, the shape of the position report's x, y and rotation angle.
struct CodeListRecord {
    quint16 id = 0;
    qint32 first_tenths = 0;  // |value| below 2^16
    qint32 second_tenths = 0; // |value| below 2^16
    quint16 third_tenths = 0;
};

// FF FE FE <value> FE FF.
QByteArray error_report(quint8 value = 0);

// FF FE FD <first:16> <second:16> FE FF.
QByteArray count_report(quint16 first_count, quint16 second_count);

// FF FE <id:16> <extra> FE FF: the camera has stored the record with this id.
QByteArray record_ack(quint16 code_id, quint8 extra = 0);

// FF FE FA FE FF and FF FE FB FE FF: the same bytes as the host's requests.
QByteArray start_ack();
QByteArray end_ack();

// FF FE <n> <n records of 11 bytes> <ignored> FE FF, at most 127 entries;
// more are left out.
QByteArray code_list_report(const QVector<CodeListRecord> &entries, quint8 ignored = 0);

// The 18-byte tag report: the same layout as the host's tag frame.
QByteArray tag_report(const TagRecord &record);

// The 22-byte position report; byte 18 is not read by the host.
QByteArray position_report(const PositionFields &pose, quint8 ignored = 0);

} // namespace camera
