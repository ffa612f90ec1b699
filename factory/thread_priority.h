// Lowers the scheduling priority of the calling thread, so that background
// streaming yields the processor to the thread that renders.
//
// Linux has no per-thread priority classes for ordinary threads; the nearest
// equivalent is the nice value, which Linux keeps per thread (setpriority on
// the thread id). Raising it needs no privilege.
//
// Call from the thread to be lowered.
#pragma once

namespace gravelkin {

// Adds `niceIncrement` (> 0) to the calling thread's nice value. A failure
// leaves the priority as it was and is otherwise ignored: the thread works
// the same at any priority, only the sharing of the processor changes.
void lowerCurrentThreadPriority(int niceIncrement);

}  // namespace gravelkin
