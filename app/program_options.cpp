#include "app/program_options.h"

namespace gravelkin {

ProgramOptions parseProgramOptions(int argc, const char* const* argv) {
    ProgramOptions options;
    Arguments args(argc, argv);
    while (!args.done()) {
        const std::string_view option = args.option();
        if (takeViewOption(option, args, options.view)) continue;
        if (option == "--overlay") {
            options.overlay = true;
        } else if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else {
            throw unknownOption(option);
        }
    }
    return options;
}

std::string programUsage() {
    return "usage: gravelkin [options]\n"
           "Flies a camera over a procedurally generated voxel planet.\n"
           "Options:\n" +
           viewOptionsHelp() +
           "  --overlay          show the statistics overlay from the start (F3 toggles it)\n"
           "  --help             this text\n"
           "  --version          the program's version\n"
           "Keys: mouse looks around; W/S forward/back, A/D left/right, Q/E down/up, Shift four times faster;\n"
           "F3 statistics overlay; F4 far terrain; F12 screenshot (screenshots/ under the working folder);\n"
           "Escape quits.\n"
           "Exit status: 0 normal end; " +
           std::to_string(exitStartFailure) + " start-up failed; " + std::to_string(exitNoDisplay) +
           " no display (the start view was rendered headless into gravelkin-start-view.png in the working folder"
           " instead); " + std::to_string(exitUsage) +
           " bad command line.\n";
}

std::string programVersion() { return std::string("gravelkin ") + GRAVELKIN_VERSION; }

}  // namespace gravelkin
