// Handing freed memory back to the system, and when not to.
//
// A chunk's vertices and its deferred upload copy are blocks of a few hundred
// KiB, allocated and freed by every factory thread. glibc serves them from
// per-thread heap arenas (once a freed block has raised its mmap threshold)
// and rarely gives an arena's free pages back, so during a long flight the
// resident set creeps up to the arenas' highest mark. Trimming after many
// chunks have been dropped returns those pages and keeps the resident set
// close to what the chunks held need. The start view drops nothing and never
// pays for it.
//
// Any thread; it takes the C library's arena locks one at a time.
//
// Depends on: the C library.
#pragma once

namespace gravelkin {

void returnFreedMemoryToTheSystem();

// Serves blocks up to 32 MiB from the heap, and keeps up to 128 MiB freed at
// its top, instead of mapping each large block afresh and unmapping it when
// freed. The OpenGL driver allocates and frees vertex storage of a few
// hundred KiB for every draw: mapped afresh, every page of it faulted in
// again each frame, about a tenth of a frame's time on the software
// rasteriser. The trim after many drops still hands freed pages back. For
// the programs that draw; call once at start-up.
void keepLargeFreedBlocksForReuse();

}  // namespace gravelkin
