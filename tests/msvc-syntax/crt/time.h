// Microsoft's C runtime declares struct timespec in <time.h>; Wine's headers
// lack it, and libc++'s threading support uses it.
#pragma once
#include_next <time.h>
struct timespec {
    time_t tv_sec;
    long tv_nsec;
};
