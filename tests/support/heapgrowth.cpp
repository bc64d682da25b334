#include "heapgrowth.h"

#ifdef __linux__
#include <malloc.h>

long long heapGrowth(int times, const std::function<void()>& run)
{
    for (int i = 0; i < times; ++i)
        run();
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < times; ++i)
        run();
    return static_cast<long long>(mallinfo2().uordblks) - static_cast<long long>(before);
}
#endif
