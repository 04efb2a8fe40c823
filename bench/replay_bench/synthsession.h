#pragma once

#include <QString>

// A session as the window records it from a camera streaming position
// reports at `rate` a second for `seconds`: the reads of a USB serial
// adapter, one packet each, 1 to 16 ms apart and cut wherever the read fell,
// and now and then a command the operator sent. False if `path` cannot be
// written.
struct SynthSession {
    double seconds = 3600;
    double rate = 523;
    double speed_cm_per_s = 100;
};

bool write_synth_session(const QString &path, const SynthSession &session, long &packets,
                         long &reports);
