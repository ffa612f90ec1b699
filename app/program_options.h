// The program's command line: the view options shared with the tools
// (cli/view_options.h) plus --overlay (the statistics overlay shown from the
// start), --help and --version. Parsing only: the caller prints and exits.
//
// Exit statuses, listed in the usage text: 0 normal end (and --help,
// --version), exitStartFailure, exitNoDisplay, exitUsage.
//
// Threads: plain values.
#pragma once

#include <string>

#include "cli/arguments.h"
#include "cli/view_options.h"

namespace gravelkin {

inline constexpr int exitStartFailure = 1;
inline constexpr int exitNoDisplay = 2;

struct ProgramOptions {
    ViewOptions view;
    bool overlay = false;
    bool help = false;
    bool version = false;
};

// Throws UsageError on an unknown option or a bad value.
ProgramOptions parseProgramOptions(int argc, const char* const* argv);

// The usage text, options, keys and exit statuses included.
std::string programUsage();

// "gravelkin <version>".
std::string programVersion();

}  // namespace gravelkin
