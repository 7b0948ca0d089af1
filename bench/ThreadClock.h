#pragma once

// The processor time the calling thread has used, in ms. On a shared virtual machine a thread
// is often held up while it does nothing: its own time tells its work from the machine's.
#include <ctime>

inline double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}
