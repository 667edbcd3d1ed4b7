#include "telescope/TelescopeChooserModel.h"

#include "common/Log.h"
#include "common/Settings.h"
#include "telescope/IndiClient.h"
#include "telescope/TelescopeFacade.h"

namespace orva {

namespace {

std::vector<TelescopeChooserEntry> Mounts(const IndiClient& client, const TelescopeProgramId& server) {
    std::vector<TelescopeChooserEntry> entries;
    for (const IndiDeviceInfo& device : client.Devices()) {
        if ((device.interfaces & IndiClient::kTelescopeInterface) == 0) continue;
        TelescopeProgramId id = server;
        id.device = device.name;
        std::string description = device.name;
        if (!device.driverName.empty()) {
            description += " (" + device.driverName;
            if (!device.driverVersion.empty()) description += " " + device.driverVersion;
            description += ")";
        }
        entries.push_back({TelescopeFacade::FormatProgramId(id), description});
    }
    return entries;
}

std::string Unavailable(const std::string& where) { return "Telescope Driver (INDI server " + where + " unavailable!)"; }

}  // namespace

TelescopeChooserModel::~TelescopeChooserModel() { Join(); }

void TelescopeChooserModel::Join() {
    if (thread_.joinable()) thread_.join();
}

TelescopeChooserModel::Listing TelescopeChooserModel::Run(const std::string& server) {
    Listing listing;
    // The server part of a program id; the device name is what the listing finds. A "/"
    // would move the server's end.
    const auto id = server.find('/') == std::string::npos
                        ? TelescopeFacade::ParseProgramId((server.empty() ? std::string("localhost") : server) + "/-")
                        : std::nullopt;
    if (!id) {
        listing.result = kTelescopeBadProgramId;
        listing.label = Unavailable(server);
        return listing;
    }
    const std::string where = id->host + ":" + std::to_string(id->port);
    IndiClient client;
    if (!client.Connect(id->host, id->port)) {
        LogMessageString("E Failed to reach the INDI server", where);
        listing.result = kTelescopeServerUnreachable;
        listing.label = Unavailable(where);
        return listing;
    }
    const auto end = std::chrono::steady_clock::now() + kListTimeout;
    std::size_t seen = 0;
    // The server's messages arrive on the client's own thread; a settle time without a
    // new device, once a mount is known, ends the listing.
    while (std::chrono::steady_clock::now() < end && !client.ServerLost()) {
        client.WaitUntil([] { return false; }, kSettleTime);
        const std::size_t devices = client.Devices().size();
        listing.entries = Mounts(client, *id);
        if (!listing.entries.empty() && devices == seen) break;
        seen = devices;
    }
    listing.label = "Telescope Driver (INDI server " + where + ")";
    if (client.ServerLost()) {
        listing.entries.clear();
        listing.result = kTelescopeServerLost;
        listing.label = Unavailable(where);
    }
    return listing;
}

void TelescopeChooserModel::Take(Listing listing) {
    result_ = listing.result;
    entries_ = std::move(listing.entries);
    label_ = std::move(listing.label);
    status_ = result_ == 0 && entries_.empty() ? kNoMount : "";
}

int32_t TelescopeChooserModel::List(const std::string& server) {
    Take(Run(server));
    return result_;
}

void TelescopeChooserModel::Load(const std::string& programId) {
    const TelescopeProgramId local;
    const auto id = TelescopeFacade::ParseProgramId(programId);
    host_ = id ? id->host : local.host;
    port_ = std::to_string(id ? id->port : local.port);
    chosen_ = id ? programId : std::string();
    if (Busy()) return;  // the running listing's answer still comes
    entries_.clear();
    label_ = kNoListing;
    status_.clear();
    result_ = 0;
}

bool TelescopeChooserModel::StartListing(const std::string& host, const std::string& port) {
    if (Busy()) return false;
    Join();
    host_ = host;
    port_ = port;
    const std::string server = port.empty() ? host : host + ":" + port;
    entries_.clear();
    status_ = kListing;
    busy_ = true;
    thread_ = std::thread([this, server] {
        Listing listing = Run(server);
        std::lock_guard lock(mutex_);
        answer_ = std::move(listing);
    });
    return true;
}

bool TelescopeChooserModel::Poll() {
    std::optional<Listing> answer;
    {
        std::lock_guard lock(mutex_);
        answer.swap(answer_);
    }
    if (!answer) return false;
    Join();
    busy_ = false;
    Take(std::move(*answer));
    return true;
}

int TelescopeChooserModel::IndexOf(const std::string& programId) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].programId == programId) return static_cast<int>(i);
    }
    return -1;
}

int TelescopeChooserModel::PreferredIndex() const {
    const int chosen = IndexOf(chosen_);
    return chosen >= 0 ? chosen : (entries_.empty() ? -1 : 0);
}

bool TelescopeChooserModel::OkEnabled(int selected) const {
    return !Busy() && selected >= 0 && selected < static_cast<int>(entries_.size());
}

bool TelescopeChooserModel::Commit(int selected, Settings& settings) {
    if (!OkEnabled(selected)) return false;
    chosen_ = entries_[static_cast<std::size_t>(selected)].programId;
    settings.TelescopeDriver = chosen_;
    settings.Save();
    return true;
}

}  // namespace orva
