#include "CliEquipmentCommand.h"

#include "CliExit.h"
#include "CliStationLock.h"
#include "CliUiServices.h"

#include "common/CommandLine.h"
#include "common/Settings.h"
#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"

#include <cstdio>
#include <optional>

namespace orva {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Kind {
    const char* word;
    EquipmentManager& (*list)();
};

const Kind kKinds[] = {
    {"observer", []() -> EquipmentManager& { return ObserverManager::Instance(); }},
    {"site", []() -> EquipmentManager& { return ObservingSiteManager::Instance(); }},
    {"instrument", []() -> EquipmentManager& { return InstrumentManager::Instance(); }},
    {"mount", []() -> EquipmentManager& { return MountManager::Instance(); }},
};

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "orvacam-cli equipment: %s\n", message.c_str());
    return code;
}

const Kind* FindKind(const std::string& word) {
    for (const Kind& k : kKinds) {
        if (word == k.word) return &k;
    }
    return nullptr;
}

void List(const Kind& kind) {
    const EquipmentManager& list = kind.list();
    const std::string selected = list.SelectedName();
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const EquipmentEntry& entry = list.At(i);
        std::printf("%s\t%s%s", kind.word, entry.name.c_str(), entry.name == selected ? "\t(selected)" : "");
        if (!entry.notes.empty()) std::printf("\tNotes=%s", entry.notes.c_str());
        for (std::size_t f = 0; f < entry.Fields().size(); ++f) {
            const std::string text = entry.StoredText(f);
            if (!text.empty()) std::printf("\t%s=%s", entry.Fields()[f].name, entry.DisplayText(f).c_str());
        }
        std::printf("\n");
    }
}

// Sets one "FIELD=VALUE"; the message says what is wrong.
std::optional<std::string> SetField(EquipmentEntry& entry, const std::string& assignment) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos) return "--set takes FIELD=VALUE, not '" + assignment + "'";
    const std::string field = assignment.substr(0, eq);
    const std::string value = assignment.substr(eq + 1);
    if (field == "Notes") {
        entry.notes = value;
        return std::nullopt;
    }
    const std::size_t index = entry.IndexOf(field);
    if (index == entry.Fields().size()) {
        std::string known = "Notes";
        for (const auto& f : entry.Fields()) known += std::string(", ") + f.name;
        return "unknown field '" + field + "' (" + known + ")";
    }
    switch (entry.Fields()[index].type) {
        case EquipmentFieldType::Text:
            entry.SetText(field, value);
            return std::nullopt;
        case EquipmentFieldType::Integer: {
            const auto n = CommandLine::ParseInteger(value, -2147483647, 2147483647);
            if (!n) return field + " must be a whole number";
            entry.SetInteger(field, static_cast<int32_t>(*n));
            return std::nullopt;
        }
        case EquipmentFieldType::Real:
        case EquipmentFieldType::Latitude:
        case EquipmentFieldType::Longitude: {
            const EquipmentFieldType type = entry.Fields()[index].type;
            const double limit = type == EquipmentFieldType::Latitude ? 90.0 : type == EquipmentFieldType::Longitude ? 180.0 : 1e9;
            const auto x = CommandLine::ParseDecimal(value.rfind('-', 0) == 0 ? value.substr(1) : value, 0.0, limit);
            if (!x) {
                return type == EquipmentFieldType::Real ? field + " must be a number"
                                                        : field + " must be a number of degrees from -" +
                                                              std::to_string(static_cast<int>(limit)) + " to " +
                                                              std::to_string(static_cast<int>(limit));
            }
            entry.SetReal(field, value.rfind('-', 0) == 0 ? -*x : *x);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

int CliEquipmentCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto line = CommandLine::Parse(args, {{"set", true, true}}, 3, error);
    if (!line) return Fail(kExitUsage, error);
    const auto& words = line->Operands();
    if (words.empty()) return Fail(kExitUsage, std::string("usage: ") + kUsage);
    const std::string& verb = words[0];
    const Kind* kind = words.size() > 1 ? FindKind(words[1]) : nullptr;
    if (words.size() > 1 && kind == nullptr) {
        return Fail(kExitUsage, "unknown kind '" + words[1] + "' (observer, site, instrument or mount)");
    }
    if (verb != "add" && line->Has("set")) return Fail(kExitUsage, "--set goes with add");
    // Adding, selecting and removing write the lists and the settings; listing only reads.
    CliStationLock lock("orvacam-cli equipment");
    const bool writes = verb == "add" || verb == "select" || verb == "remove";
    if (writes && !lock.Take()) return CliExit::kStationBusy;

    Settings& settings = Settings::Instance();
    settings.Load();
    settings.LogLoadWarning();
    CliUiServices ui("orvacam-cli equipment");
    for (const Kind& k : kKinds) k.list().SetUiServices(&ui);

    if (verb == "list") {
        if (words.size() > 2) return Fail(kExitUsage, "list takes at most a KIND");
        for (const Kind& k : kKinds) {
            if (kind == nullptr || kind == &k) List(k);
        }
        return 0;
    }
    if (verb != "add" && verb != "select" && verb != "remove") {
        return Fail(kExitUsage, "unknown action '" + verb + "' (list, add, select or remove)");
    }
    if (words.size() != 3) return Fail(kExitUsage, verb + " takes KIND and NAME");
    const std::string& name = words[2];
    if (name.empty()) return Fail(kExitUsage, "the name is empty");
    EquipmentManager& list = kind->list();
    if (verb == "add") {
        // Fields are checked before anything is written.
        EquipmentEntry entry(list.Kind().fields, name);
        for (const std::string& assignment : line->Values("set")) {
            if (const auto problem = SetField(entry, assignment)) return Fail(kExitUsage, *problem);
        }
        if (list.Find(name) != nullptr) return Fail(kExitFailed, std::string("a ") + kind->word + " named '" + name + "' exists already");
        if (!list.Add(name)) return Fail(kExitFailed, "the list could not be written");
        *list.Find(name) = entry;
        if (!list.Save()) return Fail(kExitFailed, "the list could not be written");
        return 0;
    }
    if (list.Find(name) == nullptr) return Fail(kExitFailed, std::string("no ") + kind->word + " is named '" + name + "'");
    if (verb == "select") {
        // The setter says whether the name changed, not whether it was written.
        list.SelectName(name);
        if (!settings.Save()) return Fail(kExitFailed, "the settings could not be written");
        return 0;
    }
    if (!list.Delete(name)) return Fail(kExitFailed, "the list could not be written");
    return 0;
}

}  // namespace orva
