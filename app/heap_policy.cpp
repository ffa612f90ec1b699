#include "app/heap_policy.h"

#include <malloc.h>

namespace gravelkin {

void keepLargeFreedBlocksForReuse() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

}  // namespace gravelkin
