#pragma once

#include <vector>

// CPU seconds (user and system) of this process so far.
double cpu_seconds();

// Peak resident set size of this process so far, and the present one.
long peak_rss_kb();
long resident_kb();

// The value below which `fraction` of `values` lie.
double percentile(std::vector<double> values, double fraction);
