#include "camera/GnssSelectionDialogModel.h"

#include "common/Log.h"

#include <charconv>

namespace orva {
namespace {

constexpr uint8_t kGnssId1 = 0x3E;
constexpr uint8_t kGnssId2 = 0x06;
constexpr const char* kReadFailed = "Reading data from the GPS module failed at this time. Please try again later.";

constexpr const char* kRowNames[GnssConfiguration::kSystemCount] = {"0-GPS",  "1-SBAS",  "2-Galileo",  "3-Baidou",
                                                                    "4-IMES", "5-QZSS", "6-GLONASS"};
constexpr const char* kSignalNames[GnssConfiguration::kSystemCount] = {"L1C/A", "L1C/A", "E1", "B1",
                                                                       "L1C/A", "L1C/A", "L1"};

// A whole number from `low` to `high`, blanks around it allowed.
std::optional<int> ParseInRange(const std::string& text, int low, int high) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    int value = 0;
    const char* end = text.data() + last + 1;
    const auto [ptr, ec] = std::from_chars(text.data() + first, end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
    return value;
}

std::string RangeError(const std::string& field, int low, int high) {
    return "The value of " + field + " must be a whole number from " + std::to_string(low) + " to " +
           std::to_string(high) + ".";
}

}  // namespace

GnssSelectionDialogModel::GnssSelectionDialogModel(CameraManager& manager, IUiServices& ui, Clock& clock)
    : manager_(manager), ui_(ui), clock_(clock) {}

const char* GnssSelectionDialogModel::RowName(int systemId) {
    return systemId >= 0 && systemId < GnssConfiguration::kSystemCount ? kRowNames[systemId] : "";
}

const char* GnssSelectionDialogModel::SignalName(int systemId) {
    return systemId >= 0 && systemId < GnssConfiguration::kSystemCount ? kSignalNames[systemId] : "";
}

CameraExtensionUnit* GnssSelectionDialogModel::Unit() const {
    const auto& unit = manager_.ActiveCameraUnit();
    return unit ? unit->ExtensionUnit() : nullptr;
}

void GnssSelectionDialogModel::Open() {
    LogMessage("I Opened Dialog 'GNSS Selection'");
    if (!Busy()) {
        status_ = "Reading...";
        StartRead();
    }
}

void GnssSelectionDialogModel::Read() {
    if (Busy()) return;
    written_.reset();
    StartRead();
}

void GnssSelectionDialogModel::StartRead() {
    state_ = ReadState::Start;
    Tick();
}

void GnssSelectionDialogModel::FailRead(const std::string& status, const std::string& text) {
    state_ = ReadState::Idle;
    written_.reset();
    status_ = status;
    ui_.ShowMessage("Error", text, MessageIcon::Error);
}

void GnssSelectionDialogModel::Tick() {
    CameraExtensionUnit* unit = Unit();
    if (Busy() && !unit) {
        state_ = ReadState::Idle;
        written_.reset();
        ui_.ShowMessage("Error", kNoCamera, MessageIcon::Error);
        status_ = "Camera unavailable";
        return;
    }
    switch (state_) {
    case ReadState::Idle:
        return;
    case ReadState::Start:
        status_ = "Requesting GNSS selection state...";
        // Without the poll the buffer holds an older answer: reading it would mislead.
        if (unit->SendGpsCommand(0, kGnssId1, kGnssId2) < 0) return FailRead("Failure!", kReadFailed);
        words_.clear();
        wordCount_ = 2;
        polledAt_ = clock_.Now();
        state_ = ReadState::Wait;
        return;
    case ReadState::Wait:
        if (clock_.Now() < polledAt_ + kReceiverWait) return;
        if (unit->StartReadTransferBufferDataAtAddress(0) < 0) return FailRead("Failure!", kReadFailed);
        status_ = "Reading result...";
        state_ = ReadState::Collect;
        return;
    case ReadState::Collect: {
        std::array<uint8_t, CameraExtensionUnit::kCommandBlockSize> reply{};
        if (!unit->GetExtensionUnit(CameraExtensionUnit::kSelectorCommand, reply) || reply[0] == 0) {
            return FailRead("Failure!", kReadFailed);
        }
        words_.push_back((uint32_t{reply[1]} << 24) | (uint32_t{reply[2]} << 16) | (uint32_t{reply[3]} << 8) |
                         reply[4]);
        const std::size_t i = words_.size() - 1;
        if (i == 1) {
            const std::array<uint8_t, 5> header{static_cast<uint8_t>(words_[0]), static_cast<uint8_t>(words_[0] >> 8),
                                                static_cast<uint8_t>(words_[0] >> 16),
                                                static_cast<uint8_t>(words_[0] >> 24), static_cast<uint8_t>(words_[1])};
            std::string error;
            const std::optional<std::size_t> length = GnssConfiguration::PayloadLength(header, error);
            if (!length) return FailRead("Failure!", error);
            wordCount_ = (*length + 8) / 4;
        }
        if (i < wordCount_) {
            if (unit->StartReadTransferBufferDataAtAddress(static_cast<uint8_t>(i + 1)) < 0) {
                return FailRead("Failure!", kReadFailed);
            }
            return;
        }
        return FinishRead();
    }
    }
}

void GnssSelectionDialogModel::FinishRead() {
    state_ = ReadState::Idle;
    std::vector<uint8_t> stream;
    for (std::size_t k = 0; k < wordCount_; ++k) {
        for (int b = 0; b < 4; ++b) stream.push_back(static_cast<uint8_t>(words_[k] >> (8 * b)));
    }
    std::string error;
    std::optional<GnssConfiguration> config = GnssConfiguration::Parse(stream, error);
    if (!config) {
        written_.reset();
        status_ = "Failure!";
        ui_.ShowMessage("Error", error, MessageIcon::Error);
        return;
    }
    lastRead_ = config;
    if (written_) {
        const bool confirmed = config->Payload() == *written_;
        written_.reset();
        Show(*config);
        if (!confirmed) {
            status_ = "Writing failed.";
            ui_.ShowMessage("Error", "The GPS module did not take the GNSS configuration. Please try again.",
                            MessageIcon::Error);
            return;
        }
        status_ = "Writing done.";
        return;
    }
    status_ = "Read complete.";
    Show(*config);
}

void GnssSelectionDialogModel::Show(const GnssConfiguration& config) {
    if (config.version != 0) {
        ui_.ShowMessage("Warning", "Response message version is unknown. This screen may not work correctly.",
                        MessageIcon::Warning);
    }
    totalText = std::to_string(config.totalChannels);
    activeText = std::to_string(config.activeChannels);
    if (config.blocks.size() != 6 && config.blocks.size() != 7) {
        ui_.ShowMessage("Warning", "Unexpected number of configuration blocks. This screen may not work correctly.",
                        MessageIcon::Warning);
    }
    imesPresent_ = false;
    for (const GnssBlock& b : config.blocks) {
        GnssRow& row = rows[b.systemId];  // ids were checked by the parser
        row.minChannels = std::to_string(b.minChannels);
        row.maxChannels = std::to_string(b.maxChannels);
        row.enabled = b.enabled;
        row.signal = (b.signalMask & GnssConfiguration::kMainSignal) != 0;
        if (b.systemId == GnssConfiguration::kQzssId) row.l1s = (b.signalMask & GnssConfiguration::kQzssL1s) != 0;
        if (b.systemId == GnssConfiguration::kImesId) imesPresent_ = true;
    }
}

std::optional<GnssConfiguration> GnssSelectionDialogModel::ConfigurationFromFields(std::string& error) const {
    GnssConfiguration config;
    const std::optional<int> total = ParseInRange(totalText, 1, 255);
    if (!total) {
        error = "The number of tracking channels of the GPS module is unknown. Please read the configuration first.";
        return std::nullopt;
    }
    const std::optional<int> active = ParseInRange(activeText, 1, *total);
    if (!active) {
        error = RangeError("\"Active\"", 1, *total);
        return std::nullopt;
    }
    config.totalChannels = static_cast<uint8_t>(*total);
    config.activeChannels = static_cast<uint8_t>(*active);
    int reserved = 0;
    for (int id = 0; id < GnssConfiguration::kSystemCount; ++id) {
        if (id == GnssConfiguration::kImesId && !imesPresent_) continue;
        const GnssRow& row = rows[id];
        const std::optional<int> max = ParseInRange(row.maxChannels, 0, *total);
        if (!max) {
            error = RangeError("\"Max Channels\" of " + std::string(RowName(id)), 0, *total);
            return std::nullopt;
        }
        const std::optional<int> min = ParseInRange(row.minChannels, 0, *max);
        if (!min) {
            error = RangeError("\"Min Channels\" of " + std::string(RowName(id)), 0, *max);
            return std::nullopt;
        }
        if (row.enabled) reserved += *min;
        uint8_t mask = row.signal ? GnssConfiguration::kMainSignal : 0;
        if (id == GnssConfiguration::kQzssId && row.l1s) mask |= GnssConfiguration::kQzssL1s;
        config.blocks.push_back(
            GnssBlock{static_cast<uint8_t>(id), static_cast<uint8_t>(*min), static_cast<uint8_t>(*max), row.enabled, mask});
    }
    if (reserved > *active) {
        error = "The minimum channels of the enabled systems add up to more than the active channels.";
        return std::nullopt;
    }
    return config;
}

void GnssSelectionDialogModel::Write() {
    if (Busy()) return;
    std::string error;
    const std::optional<GnssConfiguration> config = ConfigurationFromFields(error);
    if (!config) {
        ui_.ShowMessage("Error", error, MessageIcon::Error);
        return;
    }
    CameraExtensionUnit* unit = Unit();
    if (!unit) {
        ui_.ShowMessage("Error", kNoCamera, MessageIcon::Error);
        return;
    }
    status_ = "Writing...";
    const std::vector<uint8_t> payload = config->Payload();
    if (unit->WriteGpsMessage(kGnssId1, kGnssId2, payload) < 0) {
        status_ = "Writing failed.";
        ui_.ShowMessage("Error", "Writing the GNSS configuration to the GPS module failed. Please try again.",
                        MessageIcon::Error);
        return;
    }
    // Only the receiver's own answer shows that it took the configuration.
    written_ = payload;
    StartRead();
}

}  // namespace orva
