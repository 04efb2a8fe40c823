#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// CPU seconds (user and system) of this process so far.
double cpu_seconds();

// Seconds the calling thread has spent waiting for a core while ready to
// run (the scheduler's run queue): on a shared machine, the part of the
// wall time that other processes took.
double run_queue_wait_seconds();

// Peak resident set size of this process so far, and the present one.
long peak_rss_kb();
long resident_kb();

// The value below which `fraction` of `values` lie.
double percentile(std::vector<double> values, double fraction);

// The monotonic clock in nanoseconds, the same in every process.
int64_t monotonic_ns();

// Sleeps until the monotonic clock reads `ns`.
void sleep_until(int64_t ns);

// Writes all `size` bytes to `fd`, retrying short writes; false on error.
bool write_all(int fd, const char *bytes, size_t size);
