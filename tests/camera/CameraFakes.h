#pragma once
// Fakes for the camera manager's surroundings: devices and their enumeration, the
// stream, and the main frame's windows. Each records what was asked of it.

#include "camera/CameraManager.h"
#include "camera/IMainFrameView.h"
#include "camera/LinkRecoveryController.h"
#include "common/Clock.h"
#include "support/FakeExtensionUnitTransport.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orva::test {

struct FakeMediaSource final : ICameraMediaSource {
    std::shared_ptr<IExtensionUnitTransport> transport;
    std::shared_ptr<IExtensionUnitTransport> ExtensionUnitTransport() override { return transport; }
};

// A device whose extension unit answers the version blocks of the given firmware and
// sensor (extension-unit version 2).
class FakeCameraDevice final : public ICameraDevice {
public:
    FakeCameraDevice(const Clock& clock, std::string name, std::string link)
        : name(std::move(name)), link(std::move(link)), transport(std::make_shared<FakeExtensionUnitTransport>(clock)) {
        SetIdentity(1, 3, 5, 7);
    }

    void SetIdentity(uint8_t major, uint8_t minor, uint8_t patch, uint8_t sensor) {
        transport->SetDefaultRead(1, {major, minor, patch, 2, sensor});
        transport->SetDefaultRead(8, {major, minor, patch, 2, sensor, 0, 0, 0x04, 0xD2, 0, 0, 0, 0});
    }

    std::optional<std::string> FriendlyName() override { return name; }
    std::optional<std::string> SymbolicLink() override { return link; }
    int32_t SetMaxBuffers(uint32_t count) override {
        maxBuffers = count;
        return kResultOk;
    }
    int32_t ActivateMediaSource(std::shared_ptr<ICameraMediaSource>& source) override {
        ++activations;
        if (activationResult < 0) return activationResult;
        auto s = std::make_shared<FakeMediaSource>();
        s->transport = withExtensionUnit ? transport : nullptr;
        source = s;
        return kResultOk;
    }

    std::optional<std::string> name;
    std::optional<std::string> link;
    std::shared_ptr<FakeExtensionUnitTransport> transport;
    int32_t activationResult = kResultOk;
    bool withExtensionUnit = true;
    uint32_t maxBuffers = 0;
    int activations = 0;
};

class FakeDeviceEnumerator final : public ICameraDeviceEnumerator {
public:
    std::vector<std::shared_ptr<ICameraDevice>> EnumerateVideoCaptureDevices() override {
        ++enumerations;
        if (failWith) throw std::runtime_error(*failWith);
        return {devices.begin(), devices.end()};
    }
    int SubscribeRemovals(RemovalListener l) override {
        listener = std::move(l);
        return 7;
    }
    void UnsubscribeRemovals(int) override { listener = nullptr; }

    std::vector<std::shared_ptr<FakeCameraDevice>> devices;
    std::optional<std::string> failWith;
    RemovalListener listener;
    int enumerations = 0;
};

class FakeCameraStream final : public ICameraStream {
public:
    bool InitWithMediaSource(std::shared_ptr<ICameraMediaSource> s) override {
        calls.push_back("Init");
        if (!acceptSource) return false;
        source = std::move(s);
        return true;
    }
    void DeInit() override {
        calls.push_back("DeInit");
        source.reset();
        streaming = false;
    }
    bool IsStreaming() override { return streaming; }
    void StartStreamingBlocking() override {
        calls.push_back("Start");
        if (source) streaming = true;
    }
    void StopStreamingBlocking() override {
        calls.push_back("Stop");
        streaming = false;
    }
    uint32_t GetNofSamplesCounter() override { return samples; }

    bool acceptSource = true;
    bool streaming = false;
    uint32_t samples = 0;
    std::shared_ptr<ICameraMediaSource> source;
    std::vector<std::string> calls;
};

// The camera panel's part in link recovery: saves what a panel would show.
class FakePanel final : public ILinkRecoveryCameraStatusInteraction {
public:
    FakePanel(CameraManager& manager, ICameraStream& stream) : manager_(manager), stream_(stream) {}

    bool SaveCameraStatus(LinkRecoverySnapshot& s) override {
        const auto& unit = manager_.ActiveCameraUnit();
        if (!unit) return false;
        s.cameraName = unit->FriendlyName();
        s.resolutionText = LinkRecoveryController::ResolutionText(unit->ActiveVideoResolution());
        s.exposureText = exposureText;
        s.blackLevelText = "100";
        s.wasStreaming = stream_.IsStreaming();
        s.sampleCounter = -1;
        s.flipIndex = 2;
        return true;
    }
    void RestoreCameraStatus(const LinkRecoverySnapshot& s) override { restored.push_back(s); }

    std::string exposureText = "40";
    std::vector<LinkRecoverySnapshot> restored;

private:
    CameraManager& manager_;
    ICameraStream& stream_;
};

class FakeMainFrameView final : public IMainFrameView {
public:
    void LoadCameraControls(CameraUnit* unit) override { loaded.push_back(unit ? unit->FriendlyName() : "<none>"); }
    void SetStatisticsCountdown(int ticks) override { countdown = ticks; }
    void RefreshCommandStates() override { ++commandRefreshes; }
    void RefreshMenus() override { ++menuRefreshes; }
    bool IsFirmwareUpdateDialogOpen() override { return firmwareDialogOpen; }
    void CloseFirmwareUpdateDialogCancelled() override {
        firmwareDialogOpen = false;
        firmwareDialogCancelled = true;
    }
    ILinkRecoveryCameraStatusInteraction* CameraPanel() override { return panel; }

    ILinkRecoveryCameraStatusInteraction* panel = nullptr;
    std::vector<std::string> loaded;
    int countdown = 0;
    int commandRefreshes = 0;
    int menuRefreshes = 0;
    bool firmwareDialogOpen = false;
    bool firmwareDialogCancelled = false;
};

}  // namespace orva::test
