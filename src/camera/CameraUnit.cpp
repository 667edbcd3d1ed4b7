#include "camera/CameraUnit.h"

#include "camera/CameraManager.h"
#include "common/Log.h"

#include <array>
#include <stdexcept>

namespace orva {
namespace {

constexpr uint32_t kMaxBuffers = 4;
constexpr int kCalibrationWords = 13;
constexpr int kCalibrationChannels = 8;
constexpr Clock::Duration kCalibrationWait = std::chrono::milliseconds(20);

// 32 characters, most significant bit first; '*' marks the channel's position.
std::string CalibrationChannelText(uint32_t bits, uint32_t position) {
    std::string text(32, '-');
    for (int i = 0; i < 32; ++i) {
        if (bits & (0x80000000u >> i)) text[static_cast<std::size_t>(i)] = '+';
    }
    text[31 - position] = '*';
    return text;
}

}  // namespace

CameraUnit::CameraUnit(CameraManager& manager, std::string friendlyName, std::string symbolicLink,
                       std::shared_ptr<ICameraDevice> device)
    : manager_(manager),
      friendlyName_(std::move(friendlyName)),
      symbolicLink_(std::move(symbolicLink)),
      device_(std::move(device)),
      status_(std::make_unique<CameraStatusCache>()) {}

CameraUnit::~CameraUnit() { LogMessageString("I Releasing Camera Unit", friendlyName_); }

bool CameraUnit::Activate(bool notify) {
    // The client callback may rebuild the manager's list; stay alive until done.
    const auto self = shared_from_this();
    return ActivateSteps(notify);
}

bool CameraUnit::ActivateSteps(bool notify) {
    LogMessage("I CameraUnit::Activate");
    device_->SetMaxBuffers(kMaxBuffers);

    std::shared_ptr<ICameraMediaSource> source;
    if (device_->ActivateMediaSource(source) < 0 || !source) {
        LogMessage("E Delayed activation failed");
        return false;
    }
    mediaSource_ = source;

    if (!manager_.Stream().InitWithMediaSource(source)) {
        LogMessage("E Media stream init failed!");
        ReleaseActivation(false);
        return false;
    }

    try {
        extensionUnit_ = CameraExtensionUnit::Create(source->ExtensionUnitTransport(), manager_.GetClock());
    } catch (const std::logic_error&) {
        // Create logged why.
        ReleaseActivation(true);
        return false;
    }

    model_ = extensionUnit_->ReadCameraModel();
    if (!model_) {
        LogMessage("E Camera model unknown!");
        ReleaseActivation(true);
        return false;
    }
    activeResolution_ = model_->GetVideoResolution(0);

    if (!notify) return true;

    manager_.SetActiveCameraUnit(shared_from_this());
    extensionUnit_->SetOrvaMode(true);
    if (ICameraClient* client = manager_.Client()) client->OnCameraConnected(this);
    return true;
}

// A failed activation leaves nothing open: the stream forgets the source, so that a later
// connect starts from a clean stream.
void CameraUnit::ReleaseActivation(bool streamHasSource) {
    if (streamHasSource) manager_.Stream().DeInit();
    extensionUnit_.reset();
    model_.reset();
    activeResolution_ = nullptr;
    mediaSource_.reset();
}

void CameraUnit::Shutdown() {
    const auto self = shared_from_this();
    LogMessage("I CameraUnit::Shutdown");
    manager_.Stream().DeInit();
    mediaSource_.reset();
    manager_.SetActiveCameraUnit(nullptr);
    if (ICameraClient* client = manager_.Client()) client->OnCameraDisconnected(this);
}

bool CameraUnit::GetStatus(CameraStatus* out, int32_t minimumSequence) {
    if (firmwareUpdateRunning_ || out == nullptr) return false;

    CameraStatus cached = status_->Load();
    if (cached.sequence >= minimumSequence) {
        *out = cached;
        return true;
    }

    std::array<uint8_t, CameraStatus::kStatusBlockSize> block{};
    const bool read =
        extensionUnit_ && extensionUnit_->GetExtensionUnit(CameraExtensionUnit::kSelectorStatus, block);
    if (!read) {
        if (!manager_.StatusReadFailureLogged()) LogMessage("E failed to get the camera status");
        manager_.SetStatusReadFailureLogged(true);
        return false;
    }
    manager_.SetStatusReadFailureLogged(false);
    *out = status_->StoreStatusBlock(block, minimumSequence);
    return true;
}

uint32_t CameraUnit::RealignCalibrationWord(uint32_t word, uint32_t previousWord) {
    return (word << 24) | (previousWord >> 8);
}

void CameraUnit::LogCalibrationStatus() {
    if (!extensionUnit_) {
        LogMessage("E LogCalibrationStatus: Camera not accessible");
        return;
    }
    extensionUnit_->SendHardwareCommand();  // logs its own failure
    manager_.GetClock().SleepFor(kCalibrationWait);

    std::array<uint32_t, kCalibrationWords> stored{};
    uint32_t previous = 0;
    for (int i = 0; i < kCalibrationWords; ++i) {
        const std::optional<uint32_t> word = extensionUnit_->ReadTransferBufferWord(static_cast<uint8_t>(i));
        if (!word) {
            LogMessageInt("W Failed to read sensor channel calibration information from transfer buffer:", 0);
            break;
        }
        stored[static_cast<std::size_t>(i)] = RealignCalibrationWord(*word, previous);
        previous = *word;
    }

    LogMessage("I Sensor channel calibration result:");
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const uint32_t positions = c < 4 ? stored[2] : stored[3];
        const uint32_t position = (positions >> (8 * (c % 4))) & 31u;
        const std::string text = CalibrationChannelText(stored[static_cast<std::size_t>(c + 4)], position);
        LogMessage(FormatValueMessage("I CH %02x [%s]", c, text.c_str()));
    }
}

std::string CameraUnit::GetCurrentGainText() const {
    if (!model_) return "?";
    return model_->GetGainText(model_->GetGainIndex(status_->Load().gainCode));
}

}  // namespace orva
