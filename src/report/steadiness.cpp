#include "report/steadiness.h"

#include <algorithm>
#include <cmath>

namespace report
{

namespace
{

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees)
{
    return degrees * kPi / 180;
}

// `degrees` folded into [-180, 180).
double wrapped(double degrees)
{
    double d = std::fmod(degrees + 180, 360);
    if (d < 0)
        d += 360;
    return d - 180;
}

template <typename Events> qint64 sum_since(const Events &events, qint64 since_us)
{
    qint64 sum = 0;
    for (auto it = events.rbegin(); it != events.rend() && it->time_us > since_us; ++it)
        sum += it->count;
    return sum;
}

} // namespace

void Steadiness::forget_before(qint64 time_us)
{
    const qint64 oldest = time_us - kWindowUs;
    while (!poses.empty() && poses.front().time_us <= oldest)
        poses.pop_front();
    while (!spoiled.empty() && spoiled.front().time_us <= oldest)
        spoiled.pop_front();
    while (!camera_errors.empty() && camera_errors.front().time_us <= oldest)
        camera_errors.pop_front();
}

void Steadiness::add_position(qint64 time_us, double x, double y, double rotation_deg)
{
    if (first_us < 0)
        first_us = time_us;
    forget_before(time_us);
    poses.push_back({time_us, x, y, rotation_deg});
    ++reports_total;
}

void Steadiness::add_error(qint64 time_us)
{
    if (first_us < 0)
        first_us = time_us;
    forget_before(time_us);
    camera_errors.push_back({time_us, 1});
    ++errors_total;
}

void Steadiness::add_not_applied(qint64 time_us, qint64 count)
{
    if (count <= 0)
        return;
    if (first_us < 0)
        first_us = time_us;
    forget_before(time_us);
    spoiled.push_back({time_us, count});
    not_applied_total += count;
}

void Steadiness::clear()
{
    *this = Steadiness();
}

SteadinessFigures Steadiness::figures(qint64 now_us) const
{
    SteadinessFigures f;
    f.not_applied_total = not_applied_total;
    f.errors_total = errors_total;
    f.reports_total = reports_total;
    if (first_us < 0)
        return f;
    const qint64 since = now_us - kWindowUs;
    f.window_s = double(std::min(kWindowUs, std::max<qint64>(now_us - first_us, 0))) / 1e6;
    f.not_applied = sum_since(spoiled, since);
    f.errors = sum_since(camera_errors, since);

    auto first = std::find_if(poses.begin(), poses.end(),
                              [since](const Pose &p) { return p.time_us > since; });
    const auto n = int(std::distance(first, poses.end()));
    f.reports = n;
    if (n == 0)
        return f;
    if (f.window_s > 0)
        f.rate_hz = n / f.window_s;

    double sum_x = 0, sum_y = 0, sum_sin = 0, sum_cos = 0;
    qint64 longest = 0;
    for (auto p = first; p != poses.end(); ++p) {
        sum_x += p->x;
        sum_y += p->y;
        sum_sin += std::sin(radians(p->rotation));
        sum_cos += std::cos(radians(p->rotation));
        if (p != first)
            longest = std::max(longest, p->time_us - std::prev(p)->time_us);
    }
    const double mean_x = sum_x / n, mean_y = sum_y / n;
    const double mean_rotation = std::atan2(sum_sin, sum_cos) * 180 / kPi;
    double sq_x = 0, sq_y = 0, sq_rotation = 0;
    for (auto p = first; p != poses.end(); ++p) {
        sq_x += (p->x - mean_x) * (p->x - mean_x);
        sq_y += (p->y - mean_y) * (p->y - mean_y);
        const double d = wrapped(p->rotation - mean_rotation);
        sq_rotation += d * d;
    }
    f.sd_x_cm = std::sqrt(sq_x / n);
    f.sd_y_cm = std::sqrt(sq_y / n);
    f.sd_rotation_deg = std::sqrt(sq_rotation / n);
    f.longest_gap_s = double(longest) / 1e6;
    return f;
}

} // namespace report
