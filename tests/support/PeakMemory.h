#pragma once

#include <sys/resource.h>

// The most memory the test's process has held so far, in bytes.
inline long PeakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}
