#include "planet/thread_name.h"

#include <pthread.h>

#include <cstring>

namespace gravelkin {

void nameThread(std::thread& thread, const char* name) {
    constexpr std::size_t longest = 15;
    char cut[longest + 1] = {};
    std::strncpy(cut, name, longest);
    (void)pthread_setname_np(thread.native_handle(), cut);
}

}  // namespace gravelkin
