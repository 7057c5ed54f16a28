#pragma once

#include <sys/resource.h>

// The peak memory of the process so far (its largest resident set), in megabytes.
inline double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}
