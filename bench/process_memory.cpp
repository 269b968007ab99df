#include "process_memory.h"

#include <fstream>
#include <malloc.h>
#include <unistd.h>

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::size_t residentBytes()
{
    std::size_t sizePages = 0;
    std::size_t residentPages = 0;
    std::ifstream("/proc/self/statm") >> sizePages >> residentPages;
    return residentPages * std::size_t(sysconf(_SC_PAGESIZE));
}
