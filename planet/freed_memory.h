// Handing freed memory back to the system.
//
// A chunk's vertices and its deferred upload copy are blocks of a few hundred
// KiB, allocated and freed by every factory thread. glibc serves them from
// per-thread heap arenas (once a freed block has raised its mmap threshold)
// and rarely gives an arena's free pages back, so during a long flight the
// resident set creeps up to the arenas' highest mark. The manager trims after
// many chunks have been dropped: that returns those pages and keeps the
// resident set close to what the chunks held need. The start view drops
// nothing and never pays for it.
//
// Any thread; it takes the C library's arena locks one at a time.
#pragma once

namespace gravelkin {

void returnFreedMemoryToTheSystem();

}  // namespace gravelkin
