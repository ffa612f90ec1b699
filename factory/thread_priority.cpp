#include "factory/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace gravelkin {

void lowerCurrentThreadPriority(int niceIncrement) {
    // The raw syscall works with every C library, also those without gettid().
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    // getpriority may legitimately return -1, so failure shows only in errno.
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (errno != 0) return;
    (void)setpriority(PRIO_PROCESS, tid, current + niceIncrement);
}

}  // namespace gravelkin
