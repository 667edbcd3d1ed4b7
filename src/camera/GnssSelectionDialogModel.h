#pragma once
// The "GNSS Selector" dialog without its widgets: reads the GPS receiver's GNSS
// configuration through the camera (poll, wait a second for the receiver, then one
// transfer-buffer word per tick), shows it as one row per satellite system, checks the
// edited values, writes them, and reads the configuration back to confirm the write.
//
// The owner steps Tick from its timer on the injected clock; the view copies its controls
// into the public fields before Write and shows the getters after each Tick.
//
// Threads: GUI thread only.

#include "camera/CameraManager.h"
#include "camera/GnssConfiguration.h"
#include "common/Clock.h"
#include "common/IUiServices.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct GnssRow {
    bool enabled = false;
    std::string minChannels;
    std::string maxChannels;
    bool signal = false;
    bool l1s = false;  // QZSS only
};

class GnssSelectionDialogModel {
public:
    static constexpr Clock::Duration kReceiverWait = std::chrono::seconds(1);
    static constexpr const char* kTitle = "GNSS Selector";
    static constexpr const char* kMinLabel = "Min Channels";
    static constexpr const char* kMaxLabel = "Max Channels";
    static constexpr const char* kSignalsLabel = "Signals";
    static constexpr const char* kTotalLabel = "Total";
    static constexpr const char* kActiveLabel = "Active";
    static constexpr const char* kReadButton = "Read";
    static constexpr const char* kWriteButton = "Write";
    // QZSS's second signal, beside its main one.
    static constexpr const char* kL1sName = "L1S";
    static constexpr const char* kNoCamera = "Can't access the GPS module because the camera is not available.";

    GnssSelectionDialogModel(CameraManager& manager, IUiServices& ui, Clock& clock);

    // Logs the opening and starts a read unless one runs.
    void Open();
    // "Read": starts a read when none runs.
    void Read();
    // "Write": checks the values, writes them and starts the confirming read.
    void Write();
    // One step of a running read.
    void Tick();

    static const char* RowName(int systemId);
    // The system's main signal ("L1C/A" for GPS).
    static const char* SignalName(int systemId);

    std::array<GnssRow, GnssConfiguration::kSystemCount> rows;
    std::string totalText;
    std::string activeText;

    const std::string& StatusText() const { return status_; }
    bool Busy() const { return state_ != ReadState::Idle; }
    bool ImesPresent() const { return imesPresent_; }
    // Rows, "Active", "Read" and "Write".
    bool ControlsEnabled() const { return !Busy(); }
    bool ImesMaxEnabled() const { return !Busy() && imesPresent_; }
    bool TotalEnabled() const { return false; }
    // The configuration of the last complete read.
    const std::optional<GnssConfiguration>& LastRead() const { return lastRead_; }

    // The configuration the fields describe; nothing (and the reason) when a value is out
    // of range.
    std::optional<GnssConfiguration> ConfigurationFromFields(std::string& error) const;

private:
    enum class ReadState { Idle, Start, Wait, Collect };

    void StartRead();
    void FailRead(const std::string& status, const std::string& text);
    void FinishRead();
    void Show(const GnssConfiguration& config);
    CameraExtensionUnit* Unit() const;

    CameraManager& manager_;
    IUiServices& ui_;
    Clock& clock_;
    ReadState state_ = ReadState::Idle;
    std::string status_ = "Reading data...";
    Clock::TimePoint polledAt_{};
    std::vector<uint32_t> words_;
    std::size_t wordCount_ = 2;
    bool imesPresent_ = false;
    std::optional<GnssConfiguration> lastRead_;
    std::optional<std::vector<uint8_t>> written_;  // the payload a running read confirms
};

}  // namespace orva
