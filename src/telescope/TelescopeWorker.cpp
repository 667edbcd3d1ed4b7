#include "telescope/TelescopeWorker.h"

#include "common/Log.h"

#include <cmath>
#include <cstdio>

namespace orva {

TelescopeWorker::TelescopeWorker(ITelescopeDriverFactory& factory, SharedTelescopeState& shared, Clock& clock,
                                 double trackingRate)
    : factory_(factory), shared_(shared), clock_(clock), trackingRate_(trackingRate) {}

TelescopeWorker::~TelescopeWorker() { Stop(); }

void TelescopeWorker::StartThread() {
    if (thread_.joinable()) return;
    run_ = true;
    running_ = true;
    thread_ = std::thread([this] {
        while (run_.load()) {
            RunPass();
            if (run_.load()) clock_.SleepFor(kPollPeriod);
        }
        // The driver goes with the thread that used it.
        driver_.reset();
        std::lock_guard lock(mutex_);
        running_ = false;
        stopped_.notify_all();
    });
}

void TelescopeWorker::Stop() {
    if (!thread_.joinable()) return;
    run_ = false;
    {
        std::unique_lock lock(mutex_);
        if (!stopped_.wait_for(lock, std::chrono::milliseconds(500), [this] { return !running_.load(); })) {
            LogMessage("E Failed to stop telescope background processing");
        }
    }
    // A driver call still under way ends within its reply time-out; nothing is freed before.
    thread_.join();
}

void TelescopeWorker::SetDriver(const std::string& programId, const std::string& ratesText) {
    std::lock_guard lock(mutex_);
    programId_ = programId;
    ratesText_ = ratesText;
}

std::string TelescopeWorker::ProgramId() const {
    std::lock_guard lock(mutex_);
    return programId_;
}

std::string TelescopeWorker::DriverInfo() const {
    std::lock_guard lock(mutex_);
    return driverInfo_;
}

uint64_t TelescopeWorker::PostCommand(TelescopeCommandKind kind, int32_t axis, double first, double second) {
    std::lock_guard lock(mutex_);
    commands_.push_back({kind, axis, first, second});
    return ++commandsPosted_;
}

std::optional<TelescopeMessage> TelescopeWorker::TakeMessage() {
    std::lock_guard lock(mutex_);
    if (messages_.empty()) return std::nullopt;
    TelescopeMessage message = std::move(messages_.front());
    messages_.pop_front();
    return message;
}

TelescopeCommand TelescopeWorker::TakeCommand() {
    std::lock_guard lock(mutex_);
    if (commands_.empty()) return {};
    const TelescopeCommand command = commands_.front();
    commands_.pop_front();
    return command;
}

void TelescopeWorker::Queue(const std::string& text, const char* title, MessageIcon icon) {
    std::lock_guard lock(mutex_);
    messages_.push_back({title, text, icon});
}

void TelescopeWorker::RunPass() {
    Poll();
    for (TelescopeCommand command = TakeCommand(); command.kind != TelescopeCommandKind::None; command = TakeCommand()) {
        Execute(command);
        ++commandsDone_;
    }
    ++passes_;
}

void TelescopeWorker::DropDriver() {
    driver_.reset();
    driverCreated_ = false;
    connected_ = false;
    tracking_ = false;
    slewing_ = false;
    parked_ = false;
    shared_.Reset();
}

void TelescopeWorker::Poll() {
    if (!driver_) {
        connected_ = false;
        tracking_ = false;
        slewing_ = false;
        parked_ = false;
        return;
    }
    if (driver_->ConnectionLost()) {
        // The server or driver went away: say so once, and let the next showing of the
        // window create the driver again.
        LogMessage("E Lost the connection to the telescope driver");
        Queue("Lost the connection to the telescope driver.");
        DropDriver();
        return;
    }
    double ra = 0.0;
    double dec = 0.0;
    bool connected = false;
    const int32_t result = driver_->GetCoordinates(ra, dec, connected);
    SharedTelescopeState::Position position;
    // A position that could not be read is not valid, even while the mount is connected.
    position.valid = connected && result == 0 ? 1 : 0;
    if (position.valid) {
        position.rightAscensionHours = ra;
        position.declinationDegrees = dec;
    }
    shared_.Write(position);
    bool tracking = false;
    bool slewing = false;
    bool parked = false;
    if (connected) {
        driver_->GetBoolProperty("Tracking", tracking);
        // Not every driver can say; one that cannot counts as neither.
        driver_->GetBoolProperty("Slewing", slewing);
        driver_->GetBoolProperty("Parked", parked);
        // A driver may offer sync only once connected.
        bool canSync = false;
        if (driver_->GetBoolProperty("CanSync", canSync) == 0) canSync_ = canSync;
    }
    connected_ = connected;
    tracking_ = connected && tracking;
    slewing_ = connected && slewing;
    parked_ = connected && parked;
}

void TelescopeWorker::Execute(const TelescopeCommand& command) {
    if (command.kind == TelescopeCommandKind::CreateDriver) {
        CreateDriver();
        return;
    }
    if (!driver_) return;  // the window sends nothing else without a driver; a stray command is dropped
    switch (command.kind) {
        case TelescopeCommandKind::Connect:
            if (driver_->SetConnected(true) != 0) Queue("Connecting the telescope failed.");
            DetermineRates();
            for (const TelescopeRate& row : rates_.Rows()) {
                char line[160];
                std::snprintf(line, sizeof line, "I AxisRate %d: %f %f", row.index, row.rightAscensionRate,
                              row.declinationRate);
                LogMessage(line);
            }
            break;
        case TelescopeCommandKind::Disconnect:
            if (driver_->SetConnected(false) != 0) Queue("Disconnecting the telescope failed.");
            break;
        case TelescopeCommandKind::StartTracking:
            if (driver_->PutBoolProperty("Tracking", true) != 0) Queue("Failed to start tracking.");
            break;
        case TelescopeCommandKind::StopTracking:
            if (driver_->PutBoolProperty("Tracking", false) != 0) Queue("Failed to stop tracking.");
            break;
        case TelescopeCommandKind::MoveAxis: {
            // The window's right ascension rates include tracking; the driver moves relative
            // to the tracking sky. A rate of 0 always means stop.
            double rate = command.first;
            if (command.axis == 0 && rate != 0.0) rate -= trackingRate_;
            if (driver_->MoveAxis(command.axis, rate) != 0) Queue("Failed to move the telescope.");
            break;
        }
        case TelescopeCommandKind::Sync:
            if (const int32_t result = driver_->Sync(command.first, command.second)) {
                LogMessageInt("E Failed to synchronize the telescope", result);
                Queue("Failed to synchronize the telescope to the desired position.");
            }
            break;
        case TelescopeCommandKind::Slew:
            if (const int32_t result = driver_->Slew(command.first, command.second)) {
                LogMessageInt("E SlewToCoordinates failed", result);
                Queue("Failed to move the telescope to the desired position.");
            }
            break;
        case TelescopeCommandKind::Park:
        case TelescopeCommandKind::Unpark: {
            const bool park = command.kind == TelescopeCommandKind::Park;
            if (const int32_t result = driver_->PutBoolProperty("Park", park)) {
                LogMessageInt(park ? "E Parking the telescope failed" : "E Unparking the telescope failed", result);
                Queue(park ? "Failed to park the telescope." : "Failed to unpark the telescope.");
            }
            break;
        }
        case TelescopeCommandKind::AbortSlew:
            if (const int32_t result = driver_->PutBoolProperty("AbortSlew", true)) {
                LogMessageInt("E Aborting the slew failed", result);
                Queue("Failed to stop the telescope.");
            }
            break;
        case TelescopeCommandKind::GuidePulse: {
            const int direction = command.first > 0.0 ? 1 : -1;
            const int ms = static_cast<int>(std::lround(std::fabs(command.first)));
            if (const int32_t result = driver_->PulseGuide(command.axis, direction, ms)) {
                LogMessageInt("E Guide pulse failed", result);
                Queue("Failed to move the telescope.");
            }
            break;
        }
        default:
            break;
    }
}

void TelescopeWorker::CreateDriver() {
    if (driverCreated_.load()) return;
    const std::string programId = ProgramId();
    if (programId.empty()) {
        LogMessage("I No telescope driver selected in the settings");
        Queue("No telescope driver selected. Please select a driver in the settings and try again.");
        return;
    }
    driver_.reset();
    if (const int32_t result = factory_.Create(programId, driver_); result != 0 || !driver_) {
        driver_.reset();
        LogMessageInt("E Failed to create the telescope driver facade", result);
        Queue("Failed to access the telescope driver.");
        return;
    }
    std::string info;
    bool canSync = false;
    const int32_t infoResult = driver_->GetDriverInfo(info);
    const int32_t syncResult = driver_->GetBoolProperty("CanSync", canSync);
    {
        std::lock_guard lock(mutex_);
        driverInfo_ = info;
    }
    canSync_ = canSync;
    if (infoResult != 0 || syncResult != 0) {
        LogMessageInt2("E Failed to retrieve information from the telescope driver facade", infoResult, syncResult);
        Queue("Failed to get information on the telescope driver.");
    }
    driverCreated_ = true;
    bool connected = false;
    if (driver_->IsConnected(connected) == 0 && connected) DetermineRates();
}

void TelescopeWorker::DetermineRates() {
    rates_.Replace({});
    std::string ratesText;
    {
        std::lock_guard lock(mutex_);
        ratesText = programId_.empty() ? std::string() : ratesText_;
    }
    if (const auto custom = TelescopeRates::Parse(ratesText); custom && !custom->empty()) {
        rates_.Replace(*custom);
        return;
    }
    std::vector<TelescopeRateRange> raRanges;
    std::vector<TelescopeRateRange> decRanges;
    const int32_t raResult = driver_->GetAxisRates(0, raRanges);
    const int32_t decResult = driver_->GetAxisRates(1, decRanges);
    if (raResult != 0 || decResult != 0) {
        LogMessageInt2("E Failed to determine telescope speed rates (1)", raResult, decResult);
        Queue("Failed to get rate details. Will use fixed rates.", "Warning", MessageIcon::Warning);
        rates_.Replace(TelescopeRates::FixedRows());
        return;
    }
    const int raCount = static_cast<int>(raRanges.size());
    const int decCount = static_cast<int>(decRanges.size());
    LogMessageInt2("I Telescope speed rates (RA/DEC)", raCount, decCount);
    if (raCount <= 0 || raCount != decCount) {
        LogMessage("E Rates not supported");
        Queue("Telescope rate configuration currently not supported. Moving with N/S/W/E buttons won't work.", "Error");
        return;
    }
    if (raCount == 1) {
        const TelescopeRateRange& ra = raRanges[0];
        const TelescopeRateRange& dec = decRanges[0];
        LogMessageInt2("I Single rate range Ra  (*1000)", static_cast<int>(ra.minimum * 1000.0),
                       static_cast<int>(ra.maximum * 1000.0));
        LogMessageInt2("I Single rate range Dec (*1000)", static_cast<int>(dec.minimum * 1000.0),
                       static_cast<int>(dec.maximum * 1000.0));
        rates_.Replace(TelescopeRates::FromSingleRanges(ra, dec));
        return;
    }
    std::vector<TelescopeRate> rows;
    for (int h = 0; h < raCount; ++h) rows.push_back({h, raRanges[h].minimum, decRanges[h].minimum});
    rates_.Replace(std::move(rows));
}

}  // namespace orva
