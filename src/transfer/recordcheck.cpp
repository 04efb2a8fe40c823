#include "transfer/recordcheck.h"

#include "protocol/commandframes.h"
#include "protocol/reporttext.h"

std::optional<QString> why_camera_cannot_receive(const TagRecord &record,
                                                 const QStringList &column_names)
{
    QByteArray frame = protocol::record_frame_template();
    protocol::fill_record_frame(frame, record);
    const int at = protocol::marker_inside_frame(frame);
    if (at < 0)
        return std::nullopt;
    const QString marker = protocol::hex_echo(frame.mid(at, 2)).trimmed();
    // The pair may begin in the start marker's FE; it is the value after it.
    const int column = protocol::record_frame_column(at) >= 0
                           ? protocol::record_frame_column(at)
                           : protocol::record_frame_column(at + 1);
    if (column < 0)
        return QStringLiteral("帧中出现帧标记%1，相机收不到完整的帧").arg(marker);
    const qint32 values[] = {record.id, record.x_cm, record.y_cm, record.side_mm, record.angle_deg};
    return QStringLiteral("%1的值%2在帧中形成帧标记%3，相机收不到完整的帧")
        .arg(column_names.value(column))
        .arg(values[column])
        .arg(marker);
}

QString unreceivable_row_text(int row_number, const QString &why)
{
    return QStringLiteral("第%1行的标签无法传输：\n%2").arg(row_number).arg(why);
}
