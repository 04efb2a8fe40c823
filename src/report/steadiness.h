#pragma once

#include <QtGlobal>
#include <deque>

// How steady the camera's position is: the last ten seconds of position
// reports, and of the frames the line spoiled and the errors the camera
// reported. Times are microseconds on any one clock (the window's monotonic
// clock, or a session's packet times); they never run backwards.
namespace report
{

struct SteadinessFigures {
    int reports = 0;    // position reports within the window
    double rate_hz = 0; // reports per second over the time covered
    double sd_x_cm = 0; // population standard deviations
    double sd_y_cm = 0;
    double sd_rotation_deg = 0; // about the circular mean, across 0/360
    double longest_gap_s = 0;   // between two reports within the window
    qint64 not_applied = 0;     // frames cut but not applied, within the window
    qint64 errors = 0;          // error reports, within the window
    qint64 not_applied_total = 0;
    qint64 errors_total = 0;
    qint64 reports_total = 0;
    double window_s = 0; // the time the figures cover: 10 s once that has passed
};

class Steadiness
{
public:
    static constexpr qint64 kWindowUs = 10'000'000;

    // Positions in the report's units: centimetres and degrees.
    void add_position(qint64 time_us, double x, double y, double rotation_deg);
    void add_error(qint64 time_us);
    // `count` frames cut but not applied since the last call.
    void add_not_applied(qint64 time_us, qint64 count);

    // The figures for the ten seconds up to `now_us`.
    SteadinessFigures figures(qint64 now_us) const;

    // Starts afresh, as if nothing had been received.
    void clear();

private:
    struct Pose {
        qint64 time_us;
        double x;
        double y;
        double rotation;
    };
    struct Event {
        qint64 time_us;
        qint64 count;
    };
    void forget_before(qint64 time_us);

    // Bounded by the window: at most ten seconds of reports at the line rate.
    std::deque<Pose> poses;
    std::deque<Event> spoiled;
    std::deque<Event> camera_errors;
    qint64 first_us = -1;
    qint64 not_applied_total = 0;
    qint64 errors_total = 0;
    qint64 reports_total = 0;
};

} // namespace report
