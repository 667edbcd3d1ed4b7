// orvacam-cli: the headless station. Records from the camera, inspects and repairs
// recordings, keeps the equipment lists, updates the camera's firmware and configures its
// GPS receiver; "orvacam-cli help" lists the commands.

#include "CliCamerasCommand.h"
#include "CliEquipmentCommand.h"
#include "CliEventsCommand.h"
#include "CliFirmwareCommand.h"
#include "CliGnssCommand.h"
#include "CliGotoCommand.h"
#include "CliGuideCommand.h"
#include "CliInspectCommand.h"
#include "CliMountCommand.h"
#include "CliNightCommand.h"
#include "CliRecordCommand.h"
#include "CliRepairCommand.h"
#include "CliSolveCommand.h"

#include "common/AppPaths.h"
#include "common/Log.h"
#include "common/ProgramVersion.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(const std::vector<std::string>&);
};

const Command kCommands[] = {
    {"cameras", orva::CliCamerasCommand::kUsage, "lists the cameras; --modes lists the simulated sensors' video modes",
     &orva::CliCamerasCommand::Run},
    {"record", orva::CliRecordCommand::kUsage,
     "records a SER, ADV or FITS-sequence recording, or takes a FITS image, dark or flat; every FAULT is one of "
     "drop:FRAME:COUNT, repeat:FRAME, freeze-irq:FRAME, corrupt:FRAME, stall:FRAME:MS, unplug:FRAME:MS; "
     "--occultation hides the target star for COUNT frames from FRAME (frames count from the recording's start)",
     &orva::CliRecordCommand::Run},
    {"inspect", orva::CliInspectCommand::kUsage, "checks a recording, FITS image or GPS status CSV file",
     &orva::CliInspectCommand::Run},
    {"repair", orva::CliRepairCommand::kUsage, "rebuilds a SER or ADV recording cut short into a new file beside it",
     &orva::CliRepairCommand::Run},
    {"equipment", orva::CliEquipmentCommand::kUsage,
     "keeps the observer, site, instrument and mount lists that recordings name", &orva::CliEquipmentCommand::Run},
    {"events", orva::CliEventsCommand::kUsage,
     "lists the occultation events of today and tomorrow, the next one, imports an Occult XML file, or writes the "
     "observation report of an event (ID: its number in the list, or next; --force replaces an existing report); "
     "'record --event next' records around the next event",
     &orva::CliEventsCommand::Run},
    {"night", orva::CliNightCommand::kUsage,
     "the unattended night: plans the recordings of the events ahead (overlaps settled and said), runs the plan "
     "with a progress line and a summary, resuming a plan a stopped station left, or shows the plan file's state",
     &orva::CliNightCommand::Run},
    {"firmware", orva::CliFirmwareCommand::kUsage,
     "writes a firmware file into an image slot of the camera (by default the one it does not run) and verifies it; "
     "--serial answers the camera's serial number when the camera reports none",
     &orva::CliFirmwareCommand::Run},
    {"gnss", orva::CliGnssCommand::kUsage,
     "shows the GPS receiver's version and GNSS configuration; --set switches a satellite system on or off, writes "
     "the configuration and reads it back",
     &orva::CliGnssCommand::Run},
    {"mount", orva::CliMountCommand::kUsage,
     "drives the telescope mount over an INDI server (default: the settings' server, else 127.0.0.1:7624): shows "
     "its state, connects it, slews to RA (hours, hh:mm:ss or decimal) and DEC (degrees, +dd:mm:ss or decimal) or to "
     "an object SIMBAD knows and waits for the arrival, syncs, parks, unparks or stops it",
     &orva::CliMountCommand::Run},
    {"solve", orva::CliSolveCommand::kUsage,
     "plate-solves a new frame from the camera (default: the simulated camera) or a FITS file with the settings' "
     "solver or --strategy's, and prints the centre, scale, rotation and the solver's time; with a mount (--indi) "
     "its position is the hint and --sync syncs the mount to the solution",
     &orva::CliSolveCommand::Run},
    {"goto", orva::CliGotoCommand::kUsage,
     "slews the mount to RA and DEC; --center then centres the target by plate solving and offset slews until it "
     "is within the tolerance (default 30 arc seconds) or after 5 tries, printing each try's offset",
     &orva::CliGotoCommand::Run},
    {"guide", orva::CliGuideCommand::kUsage,
     "connects the camera and the mount, takes the brightest star of the picture and guides the mount on it for S "
     "seconds, printing each correction as it is sent (--radius: half the guiding box's side in pixels)",
     &orva::CliGuideCommand::Run},
};

const Command* Find(const std::string& name) {
    for (const Command& c : kCommands) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

void PrintUsage(const Command& c) { std::printf("usage: orvacam-cli %s\n  %s\n", c.usage, c.summary); }

void PrintAll() {
    std::printf("usage: orvacam-cli COMMAND ...\n  orvacam-cli version\n  orvacam-cli help [COMMAND]\n");
    for (const Command& c : kCommands) std::printf("  orvacam-cli %s\n", c.usage);
}

int Version() {
    std::printf("orvacam-cli %s\n", orva::ProgramVersionText().c_str());
    std::printf("settings: %s\n", orva::AppPaths::ConfigDirectory().c_str());
    std::printf("data:     %s\n", orva::AppPaths::DataDirectory().c_str());
    return 0;
}

int Help(const std::vector<std::string>& args) {
    if (args.empty()) {
        PrintAll();
        return 0;
    }
    const Command* c = Find(args[0]);
    if (c == nullptr || args.size() > 1) {
        std::fprintf(stderr, "orvacam-cli help: unknown command '%s' (orvacam-cli help lists them)\n", args[0].c_str());
        return 2;
    }
    PrintUsage(*c);
    return 0;
}

bool AsksForHelp(const std::vector<std::string>& args) {
    return std::find(args.begin(), args.end(), "--help") != args.end() ||
           std::find(args.begin(), args.end(), "-h") != args.end();
}

}  // namespace

int main(int argc, char** argv) {
    orva::InstallCrashHandler();
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty() || all[0] == "version" || all[0] == "--version") return Version();
    const std::string command = all[0];
    const std::vector<std::string> args(all.begin() + 1, all.end());
    if (command == "help" || command == "--help" || command == "-h") return Help(args);
    const Command* c = Find(command);
    if (c == nullptr) {
        std::fprintf(stderr, "orvacam-cli: unknown command '%s' (orvacam-cli help lists them)\n", command.c_str());
        return 2;
    }
    if (AsksForHelp(args)) {
        PrintUsage(*c);
        return 0;
    }
    // A recording, image or list too large for the memory the system grants ends the
    // command with one line, not an abort; files are closed by their owners on the way out.
    try {
        return c->run(args);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "orvacam-cli %s: not enough memory to finish the command\n", command.c_str());
        return 1;
    }
}
