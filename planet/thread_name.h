// Names a thread, so that top -H, gdb, perf and /proc/<pid>/task/*/comm tell
// the streaming threads apart.
#pragma once

#include <thread>

namespace gravelkin {

// Linux keeps at most 15 characters of a thread name: longer names are cut.
// A failure leaves the thread unnamed and is otherwise ignored.
void nameThread(std::thread& thread, const char* name);

}  // namespace gravelkin
