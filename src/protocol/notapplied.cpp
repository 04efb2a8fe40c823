#include "protocol/notapplied.h"

#include "protocol/wireframe.h"
#include "protocol/wirelayout.h"

namespace protocol
{

bool frame_not_applied(const QByteArray &collected, const std::optional<Report> &report)
{
    if (!report)
        return true;
    if (report->kind != ReportKind::Dropped)
        return false;
    // Only the position and tag reports are dropped for their check byte; a
    // tag-sized frame with 0x01 in byte 2 is a 12-byte list of one entry.
    const WireReader frame(collected);
    if (frame.size() == kPositionReportSize)
        return true;
    return frame.size() == kTagFrameSize && frame.at(kListCount) != 1;
}

} // namespace protocol
