#include "app/process_memory.h"

#include <fstream>

#include <unistd.h>

namespace gravelkin {

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long sizePages = 0;
    long residentPages = 0;
    if (!(statm >> sizePages >> residentPages)) return -1;
    return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace gravelkin
