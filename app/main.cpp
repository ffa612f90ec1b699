// Gravelkin: reads shaders.hlsl and assets/ from the working folder, or else
// from beside its installed location. The command line is checked before
// anything starts.
#include <cstdio>

#include "app/program.h"
#include "app/heap_policy.h"

int main(int argc, char** argv) {
    gravelkin::keepLargeFreedBlocksForReuse();
    gravelkin::ProgramOptions options;
    try {
        options = gravelkin::parseProgramOptions(argc, argv);
    } catch (const gravelkin::UsageError& error) {
        std::fprintf(stderr, "gravelkin: %s\n%s", error.what(), gravelkin::programUsage().c_str());
        return gravelkin::exitUsage;
    }
    if (options.help) {
        std::fputs(gravelkin::programUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", gravelkin::programVersion().c_str());
        return 0;
    }
    return gravelkin::runProgram(options);
}
