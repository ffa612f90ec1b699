// How the C library's heap treats large blocks, for the programs that draw.
#pragma once

namespace gravelkin {

// Serves blocks up to 32 MiB from the heap, and keeps up to 128 MiB freed at
// its top, instead of mapping each large block afresh and unmapping it when
// freed. The OpenGL driver allocates and frees vertex storage of a few
// hundred KiB for every draw: mapped afresh, every page of it faulted in
// again each frame, about a tenth of a frame's time on the software
// rasteriser. The manager's trim after many drops still hands freed pages
// back. Call once at start-up.
void keepLargeFreedBlocksForReuse();

}  // namespace gravelkin
