// This process's resident memory, from /proc/self/statm (Linux).
//
// Threads: any.
#pragma once

namespace gravelkin {

// Resident set size in KiB; -1 when /proc cannot be read.
long residentKiB();

}  // namespace gravelkin
