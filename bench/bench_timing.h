#pragma once

// Timing helpers shared by the benchmarks that race a peer library.

#include <algorithm>
#include <vector>

/// The fastest of the iteration times (0 for none): a time slice lost to another process on a
/// busy machine does not count against the side it fell on.
inline double Fastest(const std::vector<double>& times)
{
    return times.empty() ? 0 : *std::min_element(times.begin(), times.end());
}
