#include "workbook/biffrecords.h"

#include <QtEndian>

ReadResult<BiffRecords> split_biff_records(const QByteArray &stream)
{
    BiffRecords out;
    const char *data = stream.constData();
    for (qint64 at = 0; at + 4 <= stream.size();) {
        const quint16 type = qFromLittleEndian<quint16>(data + at);
        const quint16 size = qFromLittleEndian<quint16>(data + at + 2);
        if (size > biff::kMaxRecordBytes)
            return Refusal{RefusalKind::Biff,
                           QStringLiteral("record 0x%1 at offset %2: declares %3 bytes, past the "
                                          "largest record")
                               .arg(type, 4, 16, QLatin1Char('0'))
                               .arg(at)
                               .arg(size)};
        if (at + 4 + size > stream.size()) {
            out.cut_short = true;
            break;
        }
        out.records.append(BiffRecord{int(at), type, size});
        at += 4 + size;
    }
    return out;
}

bool is_biff_stream(const QByteArray &bytes)
{
    if (bytes.size() < 8 || qFromLittleEndian<quint16>(bytes.constData()) != biff::kBof)
        return false;
    const quint16 version = qFromLittleEndian<quint16>(bytes.constData() + 4);
    return version == 0x0500 || version == 0x0600;
}
