#pragma once

#include "link/portidentity.h"

#include <QString>
#include <QVector>
#include <optional>

namespace ports
{

// Waits for a lost device to come back and says when to try opening it.
// Times are milliseconds of one monotonic clock, given by the caller.
//
// A device that is back but cannot be opened (another program holds it) is
// tried once a second, and so is one that comes and goes many times a second:
// every attempt costs a system call that may block, and a flapping device must
// not keep the window busy.
class ReconnectWatch
{
public:
    static constexpr qint64 kWatchMs = 10 * 60 * 1000;
    static constexpr qint64 kRetryMs = 1000;
    // A port lost again this soon after the watch opened it is the same loss
    // going on (a loose lead): the operator was told already.
    static constexpr qint64 kSettleMs = 10 * 1000;

    // An open port was lost. Returns whether this is news to the operator:
    // false when the device went again soon after the watch opened it, in
    // which case the watch goes on to its first deadline.
    bool port_lost(const PortIdentity &lost, qint64 now_ms);

    // The operator connected or disconnected: nothing is awaited any more.
    void end();

    bool is_watching(qint64 now_ms) const;

    // The name to open the device under, when it is among `seen` and an
    // attempt is due; the attempt is counted from now.
    std::optional<QString> attempt_due(const QVector<PortIdentity> &seen, qint64 now_ms);

    // The last attempt succeeded: the watch waits no more, but remembers the
    // device for kSettleMs.
    void reopened(qint64 now_ms);

    const PortIdentity &device() const
    {
        return lost;
    }

private:
    enum class State { Idle, Watching, Reopened };
    State state = State::Idle;
    PortIdentity lost;
    qint64 deadline_ms = 0;
    qint64 reopened_ms = 0;
    std::optional<qint64> last_attempt_ms;
};

} // namespace ports
