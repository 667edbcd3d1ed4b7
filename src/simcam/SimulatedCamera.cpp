#include "simcam/SimulatedCamera.h"

#include "camera/IExtensionUnitTransport.h"
#include "simcam/SimSamplePacking.h"
#include "simcam/SimStatusEncoding.h"

#include <algorithm>
#include <utility>
#include <cassert>

namespace orva {

namespace {

constexpr int64_t kNsPerSecond = 1000000000;
// GPS time = Unix time - 315964800 s + leap seconds (18 since 2017).
constexpr int64_t kGpsEpochUnixSeconds = 315964800;
constexpr int64_t kGpsLeapSeconds = 18;

uint32_t GpsTimeOfWeekMs(int64_t unixNs) {
    const int64_t gpsMs = (unixNs / 1000000) - (kGpsEpochUnixSeconds - kGpsLeapSeconds) * 1000;
    return static_cast<uint32_t>(((gpsMs % 604800000) + 604800000) % 604800000);
}

// Black level, overflow, inversion and bit depth of one row of samples. Separate
// pointers and fixed-length blocks let the compiler use vector instructions at -O2.
void ProcessSamples(const uint16_t* __restrict in, uint16_t* __restrict out, std::size_t width, uint16_t black,
                    uint16_t limit, uint16_t invertMask, uint16_t depthMask) {
    constexpr std::size_t kBlock = 32;
    std::size_t x = 0;
    for (; x + kBlock <= width; x += kBlock) {
        for (std::size_t k = 0; k < kBlock; ++k) {
            const uint16_t s = std::min(in[x + k], limit);
            const uint16_t v = static_cast<uint16_t>(std::min(static_cast<uint16_t>(s + black), limit) & 0x0FFF);
            out[x + k] = static_cast<uint16_t>((v ^ invertMask) & depthMask);
        }
    }
    for (; x < width; ++x) {
        const uint16_t s = std::min(in[x], limit);
        const uint16_t v = static_cast<uint16_t>(std::min(static_cast<uint16_t>(s + black), limit) & 0x0FFF);
        out[x] = static_cast<uint16_t>((v ^ invertMask) & depthMask);
    }
}

}  // namespace

SimulatedCamera::SimulatedCamera(const SimCameraConfig& config, Clock& clock)
    : config_(config),
      clock_(clock),
      madeAt_(clock.Now()),
      device_(config),
      modes_(SimModesForSensor(config.identity.sensorCode)),
      nextFrameNumber_(config.firstFrameNumber),
      gpsTimeNs_(config.utcStartUnixNs),
      gps_(config.gps),
      occultation_(config.occultation),
      friendlyName_(config.identity.friendlyName) {
    auto sky = std::make_unique<SkyRenderer>(config.sky);
    sky_ = sky.get();
    source_ = std::move(sky);
    nextDue_ = clock_.Now();
}

void SimulatedCamera::SetPictureSource(std::unique_ptr<IPictureSource> source) {
    std::lock_guard render(renderMutex_);
    source_ = std::move(source);
    sky_ = dynamic_cast<SkyRenderer*>(source_.get());
    configuredMode_ = -1;
}

// ---- extension unit over the bus ----

int32_t SimulatedCamera::SetControl(uint8_t selector, std::span<const uint8_t> data) {
    if (!IsPresent()) return kResultDeviceGone;
    if (auto failure = faults_.TakeExtensionUnitFailure()) return *failure;
    const int32_t result = device_.SetControl(selector, data);
    if (device_.TakeRestartRequest()) Restart();
    return result;
}

int32_t SimulatedCamera::GetControl(uint8_t selector, std::span<uint8_t> data) {
    if (!IsPresent()) return kResultDeviceGone;
    if (auto failure = faults_.TakeExtensionUnitFailure()) return *failure;
    return device_.GetControl(selector, data);
}

// ---- modes and pacing ----

int32_t SimulatedCamera::SelectMode(int index) {
    if (index < 0 || index >= static_cast<int>(modes_.size())) return kResultInvalidArgument;
    {
        std::lock_guard lock(mutex_);
        modeIndex_ = index;
    }
    device_.SetModeIndex(index);
    return kResultOk;
}

int32_t SimulatedCamera::SelectModeBySize(int transferWidth, int height) {
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        if (modes_[i].transferWidth == transferWidth && modes_[i].height == height) {
            return SelectMode(static_cast<int>(i));
        }
    }
    return kResultInvalidArgument;
}

int SimulatedCamera::ModeIndex() const {
    std::lock_guard lock(mutex_);
    return modeIndex_;
}

std::pair<uint32_t, uint32_t> SimulatedCamera::FrameRate(int modeIndex) const {
    if (modeIndex < 0 || modeIndex >= static_cast<int>(modes_.size())) return {0, 1};
    const int ms = SimMinimumFrameTimeMs(config_.identity.sensorCode, modes_[static_cast<std::size_t>(modeIndex)], false);
    return ms > 0 ? std::pair<uint32_t, uint32_t>{1000, static_cast<uint32_t>(ms)} : std::pair<uint32_t, uint32_t>{25, 1};
}

int64_t SimulatedCamera::FramePeriodNs(const SimDeviceState& state, const SimVideoMode& mode) const {
    const bool usb2FullWidth = state.linkType == 2 && mode.width == 1920;
    const int64_t minimumNs =
        static_cast<int64_t>(SimMinimumFrameTimeMs(config_.identity.sensorCode, mode, usb2FullWidth)) * 1000000;
    // Exposures shorter than the read-out still wait for it (sub-frame exposure).
    return std::max<int64_t>({static_cast<int64_t>(state.exposureUs) * 1000, minimumNs, 100000});
}

int64_t SimulatedCamera::FramePeriodNs() const {
    if (modes_.empty()) return static_cast<int64_t>(device_.State().exposureUs) * 1000;
    return FramePeriodNs(device_.State(), modes_[static_cast<std::size_t>(ModeIndex())]);
}

void SimulatedCamera::StartPacing() {
    const int64_t period = FramePeriodNs();
    std::lock_guard lock(mutex_);
    nextDue_ = clock_.Now() + std::chrono::nanoseconds(config_.pacing == SimPacing::RealTime ? period : 0);
    catchUpWithClock_ = config_.gpsTimeFollowsClock;
}

Clock::TimePoint SimulatedCamera::NextFrameDue() const {
    std::lock_guard lock(mutex_);
    const Clock::TimePoint due = config_.pacing == SimPacing::RealTime ? nextDue_ : clock_.Now();
    return std::max(due, stallUntil_);
}

void SimulatedCamera::StallDelivery(Clock::Duration duration) {
    std::lock_guard lock(mutex_);
    const Clock::TimePoint from = std::max(clock_.Now(), config_.pacing == SimPacing::RealTime ? nextDue_ : Clock::TimePoint{});
    stallUntil_ = std::max(stallUntil_, from + duration);
}

void SimulatedCamera::HoldDelivery(bool held) {
    std::lock_guard lock(mutex_);
    held_ = held;
}

bool SimulatedCamera::DeliveryHeld() const {
    std::lock_guard lock(mutex_);
    return held_;
}

int32_t SimulatedCamera::WaitForNextFrame(std::vector<uint8_t>& bytes, SimFrameTruth* truth) {
    const Clock::TimePoint due = NextFrameDue();
    const Clock::TimePoint now = clock_.Now();
    if (due > now) clock_.SleepFor(due - now);
    return GenerateFrame(bytes, truth);
}

// ---- frames ----

void SimulatedCamera::ConfigureSource() {
    const int index = ModeIndex();
    if (configuredMode_ == index) return;
    const SimVideoMode& mode = modes_[static_cast<std::size_t>(index)];
    SimReadout readout;
    readout.sensorWidth = modes_[0].width;
    readout.sensorHeight = modes_[0].height;
    readout.width = mode.width;
    readout.height = mode.height;
    readout.binning = mode.binning;
    // Smaller regions are centred on the target star, as an observer would place them.
    const int regionWidth = std::min(mode.width * mode.binning, readout.sensorWidth);
    const int regionHeight = std::min(mode.height * mode.binning, readout.sensorHeight);
    const int cx = static_cast<int>(config_.sky.targetX * readout.sensorWidth);
    const int cy = static_cast<int>(config_.sky.targetY * readout.sensorHeight);
    readout.originX = std::clamp(cx - regionWidth / 2, 0, readout.sensorWidth - regionWidth);
    readout.originY = std::clamp(cy - regionHeight / 2, 0, readout.sensorHeight - regionHeight);
    source_->Configure(readout);
    image_.assign(static_cast<std::size_t>(mode.width) * mode.height, 0);
    row_.assign(static_cast<std::size_t>(mode.width), 0);
    configuredMode_ = index;
}

void SimulatedCamera::ApplyPendingPowerCycle() {
    int64_t absent = 0;
    {
        std::lock_guard lock(mutex_);
        if (!powerCyclePending_) return;
        powerCyclePending_ = false;
        absent = std::exchange(absentNs_, 0);
    }
    nextFrameNumber_ = config_.firstFrameNumber;
    haveLastFrame_ = false;
    gpsTimeNs_ += absent;
    commIrq_ = 0x10;
    frameStartIrq_ = 0xF0;
    exposedFrames_ = 0;
}

void SimulatedCamera::ProcessRow(const uint16_t* source, const SimDeviceState& state, std::span<uint16_t> row) const {
    // Without clipping an overflowing sample wraps, as the sensor's counter does (16-bit
    // wrap-around keeps the lower 12 bits right).
    ProcessSamples(source, row.data(), row.size(), static_cast<uint16_t>(std::min<uint32_t>(state.blackLevel, 4095)),
                   state.clipOnOverflow ? 4095 : 65535, state.invert ? 0x0FFF : 0, state.eightBit ? 0x0FF0 : 0x0FFF);
    if ((state.flipMode & 1) != 0) std::reverse(row.begin(), row.end());
}

int32_t SimulatedCamera::GenerateFrame(std::vector<uint8_t>& bytes, SimFrameTruth* truth) {
    if (!IsPresent()) return kResultDeviceGone;
    if (modes_.empty()) return kResultInvalidArgument;
    std::unique_lock render(renderMutex_);
    ApplyPendingPowerCycle();
    ConfigureSource();

    const SimFrameFaults faults = faults_.TakeFrameFaults();
    const SimDeviceState state = device_.State();
    const SimVideoMode& mode = modes_[static_cast<std::size_t>(configuredMode_)];
    SimGpsFix gps;
    SimOccultation occultation;
    bool catchUp = false;
    {
        std::lock_guard lock(mutex_);
        gps = gps_;
        occultation = occultation_;
        catchUp = std::exchange(catchUpWithClock_, false);
    }
    const int64_t period = FramePeriodNs(state, mode);
    if (catchUp) {
        // This frame's exposure ended now. Never backwards: a stream restarted at once
        // goes on from where the last one ended.
        const int64_t sinceMade = std::chrono::duration_cast<std::chrono::nanoseconds>(clock_.Now() - madeAt_).count();
        gpsTimeNs_ = std::max(gpsTimeNs_, config_.utcStartUnixNs + sinceMade - period);
    }

    if (faults.dropFrames > 0) {
        nextFrameNumber_ += faults.dropFrames;
        gpsTimeNs_ += faults.dropFrames * period;
        commIrq_ = static_cast<uint8_t>(commIrq_ + faults.dropFrames);
        frameStartIrq_ = static_cast<uint8_t>(frameStartIrq_ + faults.dropFrames);
        exposedFrames_ += faults.dropFrames;
    }
    const int32_t frameNumber = faults.repeatFrameNumber && haveLastFrame_ ? lastFrameNumber_ : nextFrameNumber_++;
    if (!faults.freezeCommIrq) ++commIrq_;
    if (!faults.freezeFrameStartIrq) ++frameStartIrq_;
    const int64_t from = gpsTimeNs_;
    const int64_t to = from + static_cast<int64_t>(state.exposureUs) * 1000;

    if (occultation.frames > 0 && occultation.startUnixNs > 0 && occultationFirst_ < 0 && from >= occultation.startUnixNs) {
        occultationFirst_ = exposedFrames_;
    }
    const bool occulted = faults.plannedOccultation || (occultationFirst_ >= 0 && exposedFrames_ >= occultationFirst_ &&
                                                        exposedFrames_ < occultationFirst_ + occultation.frames);

    SimExposure exposure;
    exposure.frameNumber = frameNumber;
    exposure.startUnixNs = from;
    exposure.exposureMs = state.exposureUs / 1000.0;
    exposure.gainFactor = SimGainFactor(config_.identity.sensorCode, state.gainCode, state.highGain);
    exposure.targetOcculted = occulted;
    source_->Render(exposure, image_);

    // The record of the last row.
    SimOverlayRecord record;
    const SimFirmwareVersion firmware = device_.RunningFirmware();
    record.vValue = static_cast<uint16_t>(firmware.major * 100 + firmware.minor * 10 + firmware.patch);
    record.fromTime = SimUtcStampFromUnixNs(from);
    record.toTime = SimUtcStampFromUnixNs(to);
    record.timeFlag = gps.timeFlag;
    record.frameNr = frameNumber;
    record.sizeX = static_cast<uint16_t>(mode.width);
    record.sizeY = static_cast<uint16_t>(mode.height);
    record.binningX = static_cast<uint8_t>(mode.binning);
    record.binningY = static_cast<uint8_t>(mode.binning);
    record.commIrqCtr = commIrq_;
    record.frameStartIrqCtr = frameStartIrq_;
    record.modeValue = SimModeValue(configuredMode_);
    record.exposureSec = static_cast<int32_t>(state.exposureUs / 1000000);
    record.exposureNs = (state.exposureUs % 1000000) * 1000;
    record.highGain = state.highGain;
    record.lat = gps.latitudeE7;
    record.lon = gps.longitudeE7;
    record.accuracyM = gps.accuracyM;
    record.fixState = gps.fixState;
    record.nofSats = gps.satellites;
    record.heightMm = gps.heightMm;
    record.statusWords = EncodeSimStatusWords(state, config_.fillUndecoded);
    record.temperature = SimTemperatureWord(gps.temperatureC, gps.temperatureValid);
    record.dopTime = gps.dopTime != 0 ? gps.dopTime : GpsTimeOfWeekMs(from);
    record.dop = gps.dop;

    // Camera processing, flip and packing, row by row.
    const int width = mode.width;
    const int height = mode.height;
    const bool flipY = (state.flipMode & 2) != 0;
    const std::size_t rowBytes = static_cast<std::size_t>(mode.transferWidth) * 2;
    const std::size_t frameBytes = rowBytes * static_cast<std::size_t>(height);
    bytes.resize(frameBytes);
    const bool ppsInFrame = state.ppsMarker && (from % kNsPerSecond == 0 || (to - 1) / kNsPerSecond > from / kNsPerSecond);
    const bool asciiBand = state.OverlayMode() == 2;
    for (int y = 0; y < height; ++y) {
        const int sourceRow = flipY ? height - 1 - y : y;
        ProcessRow(image_.data() + static_cast<std::size_t>(sourceRow) * width, state, row_);
        if (asciiBand && y >= height - 17 && y < height - 1) {
            // The camera's text band: one 8-pixel cell per bit of the frame number.
            for (int x = 0; x < std::min(width, 256); ++x) {
                row_[static_cast<std::size_t>(x)] = ((static_cast<uint32_t>(frameNumber) >> (x / 8)) & 1) ? 0x0FFF : 0;
            }
        }
        if (ppsInFrame && y == 0) std::fill(row_.begin(), row_.begin() + std::min(width, 32), uint16_t{0x0FFF});
        if (y == height - 1) {
            WriteSimOverlayRecord(record, config_.fillUndecoded, static_cast<uint32_t>(frameNumber) * 2654435761u, row_);
            if (faults.corruptCheckLane) row_[127] ^= 0x0001;
        }
        std::span<uint8_t> out(bytes.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
        if (mode.IsPacked()) {
            PackSimRow12(row_, out);
        } else {
            PackSimRowNormal(row_, out);
        }
    }
    if (faults.sizeErrorBytes != 0) {
        const int64_t size = std::max<int64_t>(static_cast<int64_t>(frameBytes) + faults.sizeErrorBytes, 0);
        bytes.resize(static_cast<std::size_t>(size), 0);
    }

    if (truth != nullptr) {
        truth->frameNumber = frameNumber;
        truth->fromUnixNs = from;
        truth->toUnixNs = to;
        truth->commIrqCtr = commIrq_;
        truth->frameStartIrqCtr = frameStartIrq_;
        truth->modeIndex = configuredMode_;
        truth->mode = mode;
        truth->state = state;
        truth->gps = gps;
        truth->record = record;
        truth->targetOcculted = occulted;
        truth->targetX = truth->targetY = -1.0;
        if (sky_ != nullptr && sky_->TargetImageX() >= 0.0) {
            truth->targetX = (state.flipMode & 1) ? width - 1 - sky_->TargetImageX() : sky_->TargetImageX();
            truth->targetY = flipY ? height - 1 - sky_->TargetImageY() : sky_->TargetImageY();
        }
        truth->checkLaneCorrupted = faults.corruptCheckLane;
        truth->sizeErrorBytes = faults.sizeErrorBytes;
        truth->droppedBefore = faults.dropFrames;
        truth->planFrame = faults.planFrame;
    }

    lastFrameNumber_ = frameNumber;
    haveLastFrame_ = true;
    gpsTimeNs_ += period;
    ++exposedFrames_;
    {
        std::lock_guard lock(mutex_);
        if (config_.pacing == SimPacing::RealTime) {
            // Keep the camera's rhythm, but never deliver a burst to catch up.
            const Clock::TimePoint now = clock_.Now();
            nextDue_ = std::max(std::max(nextDue_, stallUntil_) + std::chrono::nanoseconds(period), now);
        }
    }
    const SimDeliveryFaults next = faults_.ArmNextPlannedFrame();
    render.unlock();
    ApplyDeliveryFaults(next);
    return kResultOk;
}

void SimulatedCamera::RestartFaultPlan() { ApplyDeliveryFaults(faults_.RestartPlan()); }

void SimulatedCamera::ApplyDeliveryFaults(const SimDeliveryFaults& delivery) {
    if (delivery.stall) StallDelivery(*delivery.stall);
    if (delivery.unplugFor) {
        // The frame just made is the last one before the link breaks.
        Unplug();
        Replug(*delivery.unplugFor);
    }
}

// ---- GPS ----

void SimulatedCamera::SetGpsFix(const SimGpsFix& fix) {
    std::lock_guard lock(mutex_);
    gps_ = fix;
}

SimGpsFix SimulatedCamera::GpsFix() const {
    std::lock_guard lock(mutex_);
    return gps_;
}

void SimulatedCamera::SetOccultation(const SimOccultation& occultation) {
    {
        std::lock_guard lock(mutex_);
        occultation_ = occultation;
    }
    std::lock_guard render(renderMutex_);
    occultationFirst_ = -1;
}

// ---- presence ----

bool SimulatedCamera::IsPresent() {
    bool arrived = false;
    {
        std::lock_guard lock(mutex_);
        if (!present_ && replugAt_ && clock_.Now() >= *replugAt_) {
            present_ = true;
            if (!pendingName_.empty()) friendlyName_ = pendingName_;
            absentNs_ += std::chrono::duration_cast<std::chrono::nanoseconds>(*replugAt_ - unpluggedAt_).count();
            replugAt_.reset();
            powerCyclePending_ = true;
            nextDue_ = clock_.Now();
            arrived = true;
        }
        if (!arrived) return present_;
    }
    device_.PowerCycle();
    Notify(SimPresenceEvent::Arrived);
    return true;
}

std::string SimulatedCamera::FriendlyName() const {
    std::lock_guard lock(mutex_);
    return friendlyName_;
}

void SimulatedCamera::Unplug() {
    {
        std::lock_guard lock(mutex_);
        if (!present_) {
            replugAt_.reset();
            return;
        }
        present_ = false;
        replugAt_.reset();
        unpluggedAt_ = clock_.Now();
    }
    Notify(SimPresenceEvent::Removed);
}

void SimulatedCamera::Replug(Clock::Duration delay, std::optional<std::string> friendlyName) {
    {
        std::lock_guard lock(mutex_);
        if (present_) return;
        replugAt_ = clock_.Now() + delay;
        pendingName_ = friendlyName.value_or(std::string());
    }
    IsPresent();  // a zero delay arrives at once
}

void SimulatedCamera::Restart() {
    Unplug();
    Replug(config_.restartDelay);
}

int SimulatedCamera::AddPresenceListener(PresenceListener listener) {
    std::lock_guard lock(mutex_);
    const int id = nextListenerId_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void SimulatedCamera::RemovePresenceListener(int id) {
    std::lock_guard lock(mutex_);
    listeners_.erase(id);
}

void SimulatedCamera::Notify(SimPresenceEvent event) {
    std::vector<PresenceListener> listeners;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, listener] : listeners_) listeners.push_back(listener);
    }
    const std::string link = SymbolicLink();
    for (const auto& listener : listeners) listener(event, link);
}

}  // namespace orva
