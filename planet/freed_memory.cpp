#include "planet/freed_memory.h"

#include <malloc.h>

namespace gravelkin {

void returnFreedMemoryToTheSystem() { malloc_trim(0); }

}  // namespace gravelkin
