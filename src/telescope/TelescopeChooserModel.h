#pragma once
// The telescope driver chooser: the mounts an INDI server offers, each as the program id
// the telescope window opens ("host:port/device", the "TelescopeDriver" setting) and a
// description for the list. Devices whose driver does not say it is a telescope are left
// out. The chooser window shows host and port fields, Label(), Status() and the list, and
// stores the observer's pick with Commit.
//
// A server announces its devices one after the other and never says it is done, so the
// listing waits for the first mount and then until no device has been added for
// kSettleTime, at most kListTimeout in all after the connection (which itself gives up
// after 3 s). That is too long for the GUI thread: the window starts the listing with
// StartListing and picks the answer up with Poll on its timer.
//
// Threads: GUI thread only (List blocks; the window uses StartListing). The listing
// started by StartListing runs on a thread of its own that touches nothing of the model
// but the answer slot; Poll and the destructor join it.

#include "telescope/ITelescopeDriver.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orva {

class Settings;

struct TelescopeChooserEntry {
    std::string programId;
    std::string description;  // "<device> (<driver> <version>)"
    bool operator==(const TelescopeChooserEntry&) const = default;
};

class TelescopeChooserModel {
public:
    static constexpr std::chrono::milliseconds kListTimeout{5000};
    static constexpr std::chrono::milliseconds kSettleTime{300};
    static constexpr const char* kNoListing = "Telescope Driver (INDI)";
    static constexpr const char* kListing = "Asking the INDI server for its telescopes...";
    static constexpr const char* kNoMount = "The INDI server offers no telescope.";

    TelescopeChooserModel() = default;
    ~TelescopeChooserModel();
    TelescopeChooserModel(const TelescopeChooserModel&) = delete;
    TelescopeChooserModel& operator=(const TelescopeChooserModel&) = delete;

    // server: "host" or "host:port"; empty for the local server (localhost:7624). Returns
    // 0, kTelescopeBadProgramId for a malformed server text, kTelescopeServerUnreachable
    // or kTelescopeServerLost; a server that offers no mount gives 0 and no entries.
    int32_t List(const std::string& server);

    // Fills the host and port fields from the chosen program id (the local server when
    // none is chosen) and forgets an earlier listing.
    void Load(const std::string& programId);
    const std::string& Host() const { return host_; }
    const std::string& Port() const { return port_; }
    // Starts listing the server of the fields' texts; false while a listing runs.
    bool StartListing(const std::string& host, const std::string& port);
    // From StartListing until Poll has taken the answer.
    bool Busy() const { return busy_; }
    // Takes over a finished listing's answer; true when it did.
    bool Poll();
    // The result of the last finished listing (0 before any).
    int32_t Result() const { return result_; }

    const std::vector<TelescopeChooserEntry>& Entries() const { return entries_; }
    // The line above the list: "Telescope Driver (INDI server host:port)", or
    // "Telescope Driver (INDI server host:port unavailable!)" after a failed listing.
    const std::string& Label() const { return label_; }
    // The line below the list: what the listing is doing or found wanting; empty otherwise.
    const std::string& Status() const { return status_; }
    // The entry of the program id, -1 when it is not offered.
    int IndexOf(const std::string& programId) const;
    // The entry to select after a listing: the chosen one when offered, else the first.
    int PreferredIndex() const;
    bool ListEnabled() const { return !Busy(); }
    bool OkEnabled(int selected) const;
    // Stores the entry's program id as "TelescopeDriver" and saves the settings; false
    // (and nothing stored) for no valid entry or while a listing runs.
    bool Commit(int selected, Settings& settings);

private:
    struct Listing {
        int32_t result = 0;
        std::vector<TelescopeChooserEntry> entries;
        std::string label;
    };
    static Listing Run(const std::string& server);
    void Take(Listing listing);
    void Join();

    std::vector<TelescopeChooserEntry> entries_;
    std::string label_ = kNoListing;
    std::string status_;
    std::string host_ = "localhost";
    std::string port_ = "7624";
    std::string chosen_;
    int32_t result_ = 0;

    bool busy_ = false;
    std::mutex mutex_;  // the answer slot, the only thing the listing thread touches
    std::optional<Listing> answer_;
    std::thread thread_;
};

}  // namespace orva
