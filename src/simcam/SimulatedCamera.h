#pragma once
// The simulated ORVA+CAM: the device model (SimExtensionUnit), a picture source, the
// frame pipeline that turns the source's picture into the bytes the camera sends (black
// level, clipping, inversion, flip, bit depth, 2-byte or packed 12-bit samples, and the
// timing record in the last row), the GPS clock, pacing, presence on the bus and fault
// injection (by hand, or planned at counted frames). Each generated frame comes with its ground truth (SimFrameTruth), so tests
// can compare what the station decodes with what the camera meant.
//
// The GPS time follows the frame count: every frame starts exactly one frame period
// after the previous one, whatever the wall clock does.
//
// Threads: one thread generates frames (GenerateFrame, WaitForNextFrame); any thread may
// call the control, presence, GPS and fault operations. Presence listeners are called
// without any lock held, on the thread that caused the change (Unplug, Restart) or that
// noticed a scheduled replug (IsPresent and every control call).

#include "common/Clock.h"
#include "simcam/IPictureSource.h"
#include "simcam/SimCameraConfig.h"
#include "simcam/SimExtensionUnit.h"
#include "simcam/SimFaultInjector.h"
#include "simcam/SimOverlayWriter.h"
#include "simcam/SimSensorTable.h"
#include "simcam/SkyRenderer.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orva {

// Returned by every call while the camera is off the bus.
inline constexpr int32_t kResultDeviceGone = static_cast<int32_t>(0x8007048Fu);

struct SimFrameTruth {
    int32_t frameNumber = 0;
    int64_t fromUnixNs = 0;  // exposure start, GPS time
    int64_t toUnixNs = 0;
    uint8_t commIrqCtr = 0;
    uint8_t frameStartIrqCtr = 0;
    int modeIndex = 0;
    SimVideoMode mode;
    SimDeviceState state;  // as applied when the frame was taken
    SimGpsFix gps;
    SimOverlayRecord record;  // exactly what the last row carries
    bool targetOcculted = false;
    // Target star centre in image pixels as sent (after flip); negative when outside.
    double targetX = -1.0;
    double targetY = -1.0;
    bool checkLaneCorrupted = false;
    int64_t sizeErrorBytes = 0;
    int32_t droppedBefore = 0;  // frames the camera skipped just before this one
    int64_t planFrame = 0;      // the frame's count in the fault plan (from 1); 0 without one
};

enum class SimPresenceEvent { Removed, Arrived };

class SimulatedCamera {
public:
    using PresenceListener = std::function<void(SimPresenceEvent, const std::string& symbolicLink)>;

    SimulatedCamera(const SimCameraConfig& config, Clock& clock);
    SimulatedCamera(const SimulatedCamera&) = delete;
    SimulatedCamera& operator=(const SimulatedCamera&) = delete;

    const SimCameraConfig& Config() const { return config_; }
    Clock& GetClock() const { return clock_; }
    // The device model without presence or fault checks (tests read its state here).
    SimExtensionUnit& Device() { return device_; }
    SimFaultInjector& Faults() { return faults_; }
    // The next frame the camera makes is frame 1 of the fault plan (Faults().SetPlan); a
    // stall or unplugging planned for frame 1 happens now. Call while no frame is generated
    // (delivery held).
    void RestartFaultPlan();
    // Replaces the synthetic sky (for example with a replay of recorded frames).
    void SetPictureSource(std::unique_ptr<IPictureSource> source);

    // The extension unit as the host reaches it over the bus: fails while unplugged or
    // when a failure is injected; a Restart command takes the camera off the bus.
    int32_t SetControl(uint8_t selector, std::span<const uint8_t> data);
    int32_t GetControl(uint8_t selector, std::span<uint8_t> data);

    // Video modes of the sensor, in list order.
    const std::vector<SimVideoMode>& Modes() const { return modes_; }
    int32_t SelectMode(int index);
    // The first mode of that transfer width and height (as a media type names it).
    int32_t SelectModeBySize(int transferWidth, int height);
    int ModeIndex() const;
    // Frames per second the mode offers at its shortest frame time, as numerator and
    // denominator.
    std::pair<uint32_t, uint32_t> FrameRate(int modeIndex) const;
    // The time between two frames with the current settings.
    int64_t FramePeriodNs() const;

    // Pacing. StartPacing restarts the schedule (streaming starts); NextFrameDue is when
    // the next frame is ready; GenerateFrame never waits; WaitForNextFrame sleeps on the
    // clock until due, then generates.
    void StartPacing();
    Clock::TimePoint NextFrameDue() const;
    int32_t GenerateFrame(std::vector<uint8_t>& bytes, SimFrameTruth* truth = nullptr);
    int32_t WaitForNextFrame(std::vector<uint8_t>& bytes, SimFrameTruth* truth = nullptr);
    // The next frame is delivered this much later than due. (On a manual clock the
    // delivering thread's own sleeping moves the clock through the stall.)
    void StallDelivery(Clock::Duration duration);
    // No frame is delivered at all until released: a stall whose end the test decides
    // while it moves the clock itself.
    void HoldDelivery(bool held);
    bool DeliveryHeld() const;

    void SetGpsFix(const SimGpsFix& fix);
    SimGpsFix GpsFix() const;
    void SetOccultation(const SimOccultation& occultation);

    // Presence on the bus.
    bool IsPresent();
    std::string FriendlyName() const;
    std::string SymbolicLink() const { return config_.identity.symbolicLink; }
    void Unplug();
    // Comes back after the delay (0: at once), under a new friendly name if given. The
    // camera restarts: power-on settings, frame numbers from the start; the GPS time
    // moves on by the time it was away.
    void Replug(Clock::Duration delay, std::optional<std::string> friendlyName = std::nullopt);
    void SetLinkType(uint8_t linkType) { device_.SetLinkType(linkType); }
    int AddPresenceListener(PresenceListener listener);
    void RemovePresenceListener(int id);

private:
    void Restart();
    void ApplyDeliveryFaults(const SimDeliveryFaults& delivery);
    void Notify(SimPresenceEvent event);
    void ConfigureSource();  // render lock held
    void ApplyPendingPowerCycle();  // render lock held
    int64_t FramePeriodNs(const SimDeviceState& state, const SimVideoMode& mode) const;
    void ProcessRow(const uint16_t* source, const SimDeviceState& state, std::span<uint16_t> row) const;

    const SimCameraConfig config_;
    Clock& clock_;
    const Clock::TimePoint madeAt_;  // when the GPS time read config_.utcStartUnixNs
    SimExtensionUnit device_;
    SimFaultInjector faults_;
    const std::vector<SimVideoMode> modes_;

    // Frame generation, owned by the generating thread.
    mutable std::mutex renderMutex_;
    std::unique_ptr<IPictureSource> source_;
    SkyRenderer* sky_ = nullptr;  // the default source while in use, for the target position
    int configuredMode_ = -1;
    int32_t nextFrameNumber_;
    int32_t lastFrameNumber_ = 0;
    bool haveLastFrame_ = false;
    int64_t gpsTimeNs_;
    uint8_t commIrq_ = 0x10;
    uint8_t frameStartIrq_ = 0xF0;
    int64_t exposedFrames_ = 0;  // since power-on, dropped frames included
    int64_t occultationFirst_ = -1;
    std::vector<uint16_t> image_;
    std::vector<uint16_t> row_;

    // Shared state.
    mutable std::mutex mutex_;
    int modeIndex_ = 0;
    SimGpsFix gps_;
    SimOccultation occultation_;
    Clock::TimePoint nextDue_{};
    bool catchUpWithClock_ = false;  // a stream started: its first frame takes the clock's time
    Clock::TimePoint stallUntil_{};
    bool held_ = false;
    bool present_ = true;
    std::optional<Clock::TimePoint> replugAt_;
    std::string friendlyName_;
    std::string pendingName_;
    Clock::TimePoint unpluggedAt_{};
    int64_t absentNs_ = 0;
    bool powerCyclePending_ = false;
    int nextListenerId_ = 1;
    std::map<int, PresenceListener> listeners_;
};

}  // namespace orva
