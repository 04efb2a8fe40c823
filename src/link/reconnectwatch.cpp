#include "link/reconnectwatch.h"

namespace ports
{

bool ReconnectWatch::port_lost(const PortIdentity &device, qint64 now_ms)
{
    const bool flapping = state == State::Reopened && now_ms - reopened_ms < kSettleMs &&
                          now_ms < deadline_ms && same_device(lost, device);
    state = State::Watching;
    if (flapping)
        return false;
    lost = device;
    deadline_ms = now_ms + kWatchMs;
    last_attempt_ms.reset();
    return true;
}

void ReconnectWatch::end()
{
    state = State::Idle;
}

bool ReconnectWatch::is_watching(qint64 now_ms) const
{
    return state == State::Watching && now_ms < deadline_ms;
}

std::optional<QString> ReconnectWatch::attempt_due(const QVector<PortIdentity> &seen, qint64 now_ms)
{
    if (!is_watching(now_ms))
        return std::nullopt;
    if (last_attempt_ms && now_ms - *last_attempt_ms < kRetryMs)
        return std::nullopt;
    for (const PortIdentity &port : seen) {
        if (same_device(lost, port)) {
            last_attempt_ms = now_ms;
            return port.port_name;
        }
    }
    return std::nullopt;
}

void ReconnectWatch::reopened(qint64 now_ms)
{
    state = State::Reopened;
    reopened_ms = now_ms;
}

} // namespace ports
