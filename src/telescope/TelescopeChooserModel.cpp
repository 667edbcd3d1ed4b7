#include "telescope/TelescopeChooserModel.h"

#include "common/Log.h"
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

}  // namespace

int32_t TelescopeChooserModel::List(const std::string& server) {
    entries_.clear();
    // The server part of a program id; the device name is what the listing finds.
    const auto id = TelescopeFacade::ParseProgramId((server.empty() ? std::string("localhost") : server) + "/-");
    if (!id) {
        label_ = "Telescope Driver (INDI server " + server + " unavailable!)";
        return kTelescopeBadProgramId;
    }
    const std::string where = id->host + ":" + std::to_string(id->port);
    IndiClient client;
    if (!client.Connect(id->host, id->port)) {
        LogMessageString("E Failed to reach the INDI server", where);
        label_ = "Telescope Driver (INDI server " + where + " unavailable!)";
        return kTelescopeServerUnreachable;
    }
    const auto end = std::chrono::steady_clock::now() + kListTimeout;
    std::size_t seen = 0;
    // The server's messages arrive on the client's own thread; a settle time without a
    // new device, once a mount is known, ends the listing.
    while (std::chrono::steady_clock::now() < end && !client.ServerLost()) {
        client.WaitUntil([] { return false; }, kSettleTime);
        const std::size_t devices = client.Devices().size();
        entries_ = Mounts(client, *id);
        if (!entries_.empty() && devices == seen) break;
        seen = devices;
    }
    label_ = "Telescope Driver (INDI server " + where + ")";
    if (client.ServerLost()) {
        entries_.clear();
        label_ = "Telescope Driver (INDI server " + where + " unavailable!)";
        return kTelescopeServerLost;
    }
    return 0;
}

int TelescopeChooserModel::IndexOf(const std::string& programId) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].programId == programId) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace orva
