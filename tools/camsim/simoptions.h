#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace camsim
{

enum class PathShape { Lanes, Circle };

// Everything the simulated camera can be told on its command line.
struct SimOptions {
    // The line: a pseudo-terminal of its own unless a device is named.
    QString device;
    int baud = 115200;

    // A recorded session written in place of the camera: its inbound bytes
    // at the recorded pace times `replay_speed` (0: as fast as the line
    // takes them). Empty: the simulated camera.
    QString replay_file;
    double replay_speed = 1;

    // Motion.
    PathShape path = PathShape::Lanes;
    double floor_cm = 1000;
    double lane_spacing_cm = 100;
    double speed_cm_s = 50;
    double rate_hz = 50;
    qint64 count = 0; // position reports to send; 0: no limit
    double wobble_deg = 0.5;

    // Reports besides the position.
    double error_every_s = 0;
    int mode2_interval_ms = 1000;
    int expect = -1; // second count of the count report; -1: the tags held

    // Output.
    QString map_file; // empty: standard output
    QString log_file; // empty: standard output
    bool verbose = false;
    quint32 seed = 1;

    // Faults.
    bool silent = false;
    double drop_acks = 0;
    int delay_acks_ms = 0;
    double wrong_ids = 0;
    bool split = false;
    double garbage = 0;
    double bad_check = 0;
    qint64 vanish_after = 0;
    int reappear_after_ms = -1;
};

struct ParsedOptions {
    std::optional<SimOptions> options; // empty: print `message` and stop
    QString message;
    int exit_code = 0;
};

// `arguments` includes the program name, as QCoreApplication::arguments().
ParsedOptions parse_sim_options(const QStringList &arguments);

QString help_text();
// "poscam-camsim <version>" and a newline: the version poscam is released as.
QString version_text();

} // namespace camsim
