#pragma once
// The settings window's telescope driver list: the mounts an INDI server offers, each as
// the program id the telescope window opens ("host:port/device", the "TelescopeDriver"
// setting) and a description for the list. Devices whose driver does not say it is a
// telescope are left out.
//
// A server announces its devices one after the other and never says it is done, so the
// listing waits for the first mount and then until no device has been added for
// kSettleTime, at most kListTimeout in all.
//
// Threads: the GUI thread; List blocks for at most kListTimeout.

#include "telescope/ITelescopeDriver.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace orva {

struct TelescopeChooserEntry {
    std::string programId;
    std::string description;  // "<device> (<driver> <version>)"
    bool operator==(const TelescopeChooserEntry&) const = default;
};

class TelescopeChooserModel {
public:
    static constexpr std::chrono::milliseconds kListTimeout{5000};
    static constexpr std::chrono::milliseconds kSettleTime{300};

    // server: "host" or "host:port"; empty for the local server (localhost:7624). Returns
    // 0, kTelescopeBadProgramId for a malformed server text, kTelescopeServerUnreachable
    // or kTelescopeServerLost; a server that offers no mount gives 0 and no entries.
    int32_t List(const std::string& server);

    const std::vector<TelescopeChooserEntry>& Entries() const { return entries_; }
    // The line above the list: "Telescope Driver (INDI server host:port)", or
    // "Telescope Driver (INDI server host:port unavailable!)" after a failed listing.
    const std::string& Label() const { return label_; }
    // The entry of the program id, -1 when it is not offered.
    int IndexOf(const std::string& programId) const;

private:
    std::vector<TelescopeChooserEntry> entries_;
    std::string label_ = "Telescope Driver (INDI)";
};

}  // namespace orva
