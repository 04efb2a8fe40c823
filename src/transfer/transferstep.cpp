#include "transfer/transferstep.h"

TransferFrame transfer_frame_for(bool start_acked, bool all_acked)
{
    if (!start_acked)
        return all_acked ? TransferFrame::nothing : TransferFrame::start_request;
    return all_acked ? TransferFrame::end_request : TransferFrame::current_record;
}

int transfer_progress(int index, int size)
{
    if (size <= 0)
        return 0;
    return int(double(index + 1) / double(size) * 100);
}

int transport_limit_from_text(const QString &text)
{
    const int limit = text.toInt(nullptr, 10);
    return limit > kMaxTransportLimit ? kMaxTransportLimit : limit;
}

QString transport_limit_label(int limit)
{
    return QStringLiteral("传输上限:%1").arg(limit);
}
