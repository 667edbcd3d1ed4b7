#pragma once
// One camera device: its names and activation object, and once activated its media
// source, extension unit, model and status cache. Units are created by the camera
// manager's enumeration and shared: the manager's list, the active camera and a running
// link recovery each hold a reference, so a rebuilt list never pulls a unit from under
// someone still using it.
//
// Threads: everything runs on the GUI thread except Status(), which the frame consumer
// thread writes through while streaming (the cache is safe for that), and Model(), which
// the frame consumer may read: it is replaced only by Activate, while no stream runs.

#include "camera/CameraExtensionUnit.h"
#include "camera/CameraModel.h"
#include "camera/CameraStatus.h"
#include "camera/CameraStatusCache.h"
#include "camera/ICameraDeviceEnumerator.h"
#include "camera/VideoResolution.h"

#include <cstdint>
#include <memory>
#include <string>

namespace orva {

class CameraManager;

class CameraUnit : public std::enable_shared_from_this<CameraUnit> {
public:
    CameraUnit(CameraManager& manager, std::string friendlyName, std::string symbolicLink,
               std::shared_ptr<ICameraDevice> device);
    virtual ~CameraUnit();
    CameraUnit(const CameraUnit&) = delete;
    CameraUnit& operator=(const CameraUnit&) = delete;

    const std::string& FriendlyName() const { return friendlyName_; }
    const std::string& SymbolicLink() const { return symbolicLink_; }

    // Activates the media source, hands it to the stream, opens the extension unit and
    // reads the model. With `notify` the unit also becomes the active camera and the
    // client hears of it. On failure nothing stays open.
    bool Activate(bool notify);
    // Takes the source back from the stream and releases it; no camera is active after.
    void Shutdown();

    // Fills `out` from the cache when it is at least `minimumSequence`, else from a fresh
    // status block read. False in firmware-update mode, without `out`, or when the read
    // failed (logged once until a read succeeds again).
    bool GetStatus(CameraStatus* out, int32_t minimumSequence);
    // Asks the camera for its sensor channel calibration and writes it to the log.
    void LogCalibrationStatus();
    // The gain text of the gain code in the cached status; "?" without a model.
    std::string GetCurrentGainText() const;

    CameraExtensionUnit* ExtensionUnit() { return extensionUnit_.get(); }
    const CameraModel* Model() const { return model_.get(); }
    CameraStatusCache& Status() { return *status_; }
    const CameraStatusCache& Status() const { return *status_; }
    const VideoResolution* ActiveVideoResolution() const { return activeResolution_; }
    void SetActiveVideoResolution(const VideoResolution* resolution) { activeResolution_ = resolution; }
    bool FirmwareUpdateRunning() const { return firmwareUpdateRunning_; }
    void SetFirmwareUpdateRunning(bool running) { firmwareUpdateRunning_ = running; }

    // The stored word of the calibration read: word i realigned by one byte with the
    // word before it.
    static uint32_t RealignCalibrationWord(uint32_t word, uint32_t previousWord);

private:
    bool ActivateSteps(bool notify);
    void ReleaseActivation(bool streamHasSource);

    CameraManager& manager_;
    const std::string friendlyName_;
    const std::string symbolicLink_;
    std::shared_ptr<ICameraDevice> device_;
    std::shared_ptr<ICameraMediaSource> mediaSource_;
    std::unique_ptr<CameraExtensionUnit> extensionUnit_;
    std::unique_ptr<CameraModel> model_;
    std::unique_ptr<CameraStatusCache> status_;
    const VideoResolution* activeResolution_ = nullptr;
    bool firmwareUpdateRunning_ = false;
};

}  // namespace orva
