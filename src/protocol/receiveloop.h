#pragma once

#include "protocol/reportdecoder.h"

#include <QByteArray>
#include <functional>

// The one loop that turns received bytes into the camera's reports: the
// window, its replay, the session tools, poscam-map and the benchmarks all
// feed it, so a framing rule changed here changes for every one of them.
namespace protocol
{

class ReceiveLoop
{
public:
    // Called for each report the window would act on, in stream order,
    // before the next byte is cut.
    std::function<void(const Report &)> on_report;

    void feed(const QByteArray &bytes);

    // No frame under way: a new connection or source starts afresh. The
    // count of frames not applied is kept.
    void reset();

    // Frames cut but not applied: a check byte that does not hold, or a
    // length that matches no report. A line that corrupts frames shows here
    // long before anyone notices a missing position.
    qint64 frames_not_applied() const
    {
        return not_applied;
    }

    // The receive state; the window names these rx_ff_seen, rx_in_frame,
    // rx_fe_seen and rx_frame.
    bool ff_seen = false;
    bool in_frame = false;
    bool fe_seen = false;
    QByteArray frame;

private:
    qint64 not_applied = 0;
};

} // namespace protocol
