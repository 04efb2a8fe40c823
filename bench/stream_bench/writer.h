#pragma once

#include <atomic>
#include <cstdint>
#include <sys/types.h>

// The camera, in a process of its own so that its work is not charged to the
// window: it writes position reports into the master side of a
// pseudo-terminal on a fixed schedule and notes when each write returned.
struct WriterShared {
    std::atomic<int64_t> start_ns{0}; // 0 until the window is ready
    std::atomic<long> sent{0};
    long reports = 0;
    double rate = 0;
    long first_report = 0;
    double speed_cm_per_report = 0;
    // Besides the positions, a mode-2 code list and an error report every so
    // many seconds; 0 for none.
    double code_list_every_s = 0;
    double error_every_s = 0;

    // When the write of each report returned; `reports` entries follow.
    int64_t *written_ns()
    {
        return reinterpret_cast<int64_t *>(this + 1);
    }
};

WriterShared *create_writer_shared(long reports);

// Forks the writer; returns its process id.
pid_t start_writer(int master_fd, WriterShared *shared);
