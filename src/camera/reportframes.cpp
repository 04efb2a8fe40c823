#include "camera/reportframes.h"

#include "protocol/commandframes.h"

#include "protocol/wireframe.h"

namespace camera
{

using namespace protocol;

QByteArray error_report(quint8 value)
{
    WireWriter frame(kErrorReportSize);
    frame.put(kKeyByte, kErrorKey);
    frame.put(kKeyByte + 1, value);
    return frame.take();
}

QByteArray count_report(quint16 first_count, quint16 second_count)
{
    WireWriter frame(kCountReportSize);
    frame.put(kKeyByte, kCountKey);
    frame.put_u16(kCountFirst, first_count);
    frame.put_u16(kCountSecond, second_count);
    return frame.take();
}

QByteArray record_ack(quint16 code_id, quint8 extra)
{
    WireWriter frame(kRecordAckSize);
    frame.put_u16(kRecordAckId, code_id);
    frame.put(kRecordAckExtra, extra);
    return frame.take();
}

QByteArray start_ack()
{
    return short_frame(kTransferStartKey);
}

QByteArray end_ack()
{
    return short_frame(kTransferEndKey);
}

QByteArray code_list_report(const QVector<CodeListRecord> &entries, quint8 ignored)
{
    const int n = qMin(entries.size(), kMaxCodeListEntries);
    WireWriter frame(kCodeListEntrySize * n + kListOverhead);
    frame.put(kListCount, quint8(n));
    for (int k = 0; k < n; ++k) {
        const CodeListRecord &entry = entries.at(k);
        const int at = kListFirstEntry + kCodeListEntrySize * k;
        frame.put_u16(at + kCodeId, entry.id);
        frame.put_signed16(at + kCodeFirst, entry.first_tenths);
        frame.put_signed16(at + kCodeSecond, entry.second_tenths);
        frame.put_u16(at + kCodeThird, entry.third_tenths);
        frame.put_check_byte(at + kCodeCheck, kCodeCheckSet, at);
    }
    frame.put(kListFirstEntry + kCodeListEntrySize * n, ignored);
    return frame.take();
}

QByteArray tag_report(const TagRecord &record)
{
    QByteArray frame = record_frame_template();
    fill_record_frame(frame, record);
    return frame;
}

QByteArray position_report(const PositionFields &pose, quint8 ignored)
{
    WireWriter frame(kPositionReportSize);
    frame.put_signed24(kPositionX, pose.x_tenths);
    frame.put_signed24(kPositionY, pose.y_tenths);
    frame.put_u16(kPositionRotation, pose.rotation_tenths);
    frame.put_signed16(kPositionAttitudeX, pose.attitude_x_hundredths);
    frame.put_signed16(kPositionAttitudeY, pose.attitude_y_hundredths);
    frame.put(kPositionIgnored, ignored);
    frame.put_check_byte(kPositionCheckByte, kPositionCheckSet);
    return frame.take();
}

} // namespace camera
