#pragma once

#include <functional>

#ifdef __linux__
// How many bytes of the C heap `run` leaves in use in all over `times` runs, measured after as
// many runs to fill the caches (glibc's mallinfo2, hence Linux only).
long long heapGrowth(int times, const std::function<void()>& run);
#endif
