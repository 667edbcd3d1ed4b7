#include "CliEventsCommand.h"

#include "CliExit.h"
#include "CliStation.h"
#include "CliStationLock.h"
#include "CliUiServices.h"

#include "common/AppPaths.h"
#include "common/CommandLine.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "events/OccultXmlReader.h"
#include "events/OwEventManager.h"
#include "station/Station.h"

#include <cstdio>

namespace orva {
namespace {

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "orvacam-cli events: %s\n", message.c_str());
    return code;
}

// "next", or the event's number in the list (1 = the first).
const OwEvent* EventById(const OwEventManager& store, const std::string& id) {
    if (id == "next") return store.NextEvent();
    const auto number = CommandLine::ParseInteger(id, 1, 1000000);
    const std::vector<const OwEvent*> events = store.Events();
    return number && static_cast<std::size_t>(*number) <= events.size() ? events[*number - 1] : nullptr;
}

// Writes the event's observation report through the station's report, as "Create
// Report..." does, but never replaces an existing report without `force`.
int WriteReport(const std::string& id, bool force) {
    CliStation station(CliCameraSettings{}, SimFaultPlan{}, "orvacam-cli events");
    Station& core = station.Core();
    OwEventManager& store = core.Events();
    if (!store.Load()) return Fail(1, "the event store in " + AppPaths::DataDirectory() + " cannot be read");
    store.UpdateTimeToEvent();
    const OwEvent* event = EventById(store, id);
    if (event == nullptr) {
        return Fail(1, id == "next" ? "no event ahead today or tomorrow"
                                    : "no event " + id + " (events list numbers them from 1)");
    }
    const Settings& settings = core.GetSettings();
    ObservationReport::Options options{settings.ReportsDirectory, settings.ReportFileNameTemplate, settings.ReportEditor};
    options.headless = true;
    options.replace = force;
    const ObservationReport::Result r = core.Tools().Report().Create(event, core.Equipment(), options);
    if (r.outcome != ObservationReport::Outcome::Saved) return 1;  // the report's message has said why
    if (!r.written) return Fail(1, "the report " + r.path + " exists already; --force replaces it");
    std::printf("written: %s\n", r.path.c_str());
    return 0;
}

}  // namespace

std::string CliEventsCommand::Describe(const OwEvent& event) {
    const UtcDateTime t = UtcFromEventTicks(event.EventTime);
    const auto ms = static_cast<int>(event.EventTime / 10000 % 1000);
    char text[96];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d.%03d UTC", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, ms);
    return std::string(text) + "  " + event.GetTitle() + "  in " + std::to_string(event.SecondsToEvent) + " s";
}

int CliEventsCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto line = CommandLine::Parse(args, {{"force", false}}, 2, error);
    if (!line) return Fail(2, error);
    const auto& words = line->Operands();
    if (words.empty()) return Fail(2, std::string("usage: orvacam-cli ") + kUsage);
    const std::string& verb = words[0];
    if (verb == "report") {
        if (words.size() != 2) return Fail(2, "report takes the event's number in the list, or next");
    } else if ((verb == "import") != (words.size() == 2)) {
        return Fail(2, verb == "import" ? "import takes the Occult XML file" : verb + " takes no file");
    }
    if (line->Has("force") && verb != "report") return Fail(2, "--force goes with report");

    // Listing reads; importing writes the day files.
    CliStationLock lock("orvacam-cli events");
    if (verb == "import" && !lock.Take()) return CliExit::kStationBusy;

    Settings& settings = Settings::Instance();
    settings.Load();
    if (!settings.LogDirectory.empty()) {
        AppPaths::EnsureDirectory(settings.LogDirectory);
        InitLogFile(settings.LogDirectory);
    }
    if (verb == "report") {
        const int result = WriteReport(words[1], line->Has("force"));
        if (IsLogOpen()) InitLogFile("");
        return result;
    }
    CliUiServices ui("orvacam-cli events");
    OwEventManager store(AppPaths::DataDirectory());
    store.SetUiServices(&ui);
    int result = 0;
    if (!store.Load()) {
        result = Fail(1, "the event store in " + AppPaths::DataDirectory() + " cannot be read");
    } else if (verb == "list") {
        store.UpdateTimeToEvent();
        for (const OwEvent* event : store.Events()) std::printf("%s\n", Describe(*event).c_str());
    } else if (verb == "next") {
        store.UpdateTimeToEvent();
        if (const OwEvent* next = store.NextEvent()) {
            std::printf("%s\n", Describe(*next).c_str());
        } else {
            result = Fail(1, "no event ahead today or tomorrow");
        }
    } else if (verb == "import") {
        const OccultImportResult r = OccultXmlReader::Import(words[1], store);
        if (!r.readable) {
            result = Fail(1, words[1] + ": not a readable Occult XML file");
        } else {
            std::printf("imported %zu events, %zu already known, %zu refused\n", r.added, r.duplicates, r.refused);
        }
    } else {
        result = Fail(2, "unknown action '" + verb + "' (list, next, import or report)");
    }
    if (IsLogOpen()) InitLogFile("");
    return result;
}

}  // namespace orva
