// orvacam-cli: the headless station. Records from the camera, inspects and repairs
// recordings; see Usage().

#include "CliCamerasCommand.h"
#include "CliInspectCommand.h"
#include "CliRecordCommand.h"
#include "CliRepairCommand.h"

#include "common/AppPaths.h"
#include "common/Log.h"
#include "common/ProgramVersion.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Usage(std::FILE* out) {
    std::fprintf(out, "usage: orvacam-cli COMMAND ...\n  orvacam-cli version\n  orvacam-cli %s\n  orvacam-cli %s\n"
                      "  orvacam-cli %s\n  orvacam-cli %s\n",
                 orva::CliCamerasCommand::kUsage, orva::CliRecordCommand::kUsage, orva::CliInspectCommand::kUsage,
                 orva::CliRepairCommand::kUsage);
    std::fprintf(out, "fault FAULT: drop:FRAME:COUNT, repeat:FRAME, freeze-irq:FRAME, corrupt:FRAME, stall:FRAME:MS, "
                      "unplug:FRAME:MS\n");
}

int Version() {
    std::printf("orvacam-cli %s\n", orva::ProgramVersionText().c_str());
    std::printf("settings: %s\n", orva::AppPaths::ConfigDirectory().c_str());
    std::printf("data:     %s\n", orva::AppPaths::DataDirectory().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    orva::InstallCrashHandler();
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty() || all[0] == "version" || all[0] == "--version") return Version();
    const std::string command = all[0];
    const std::vector<std::string> args(all.begin() + 1, all.end());
    if (command == "cameras") return orva::CliCamerasCommand::Run(args);
    if (command == "record") return orva::CliRecordCommand::Run(args);
    if (command == "inspect") return orva::CliInspectCommand::Run(args);
    if (command == "repair") return orva::CliRepairCommand::Run(args);
    if (command == "help" || command == "--help" || command == "-h") {
        Usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "orvacam-cli: unknown command '%s' (orvacam-cli help lists them)\n", command.c_str());
    return 2;
}
