#pragma once
// Records a night plan entry through the station's own recording path (RecordingSession):
// the plan's format, the entry's window kept to in frame time (the frames' GPS time
// stamps), and the event's title in the file.
//
// Formats: "ser", "adv" (compressed as the settings say), "adv-compressed", "fits-seq".
//
// Threads: the station's (GUI) thread.

#include "station/INightRecorder.h"
#include "station/RecordingSession.h"

#include <memory>
#include <optional>

namespace orva {

class Station;

class NightRecorder final : public INightRecorder {
public:
    explicit NightRecorder(Station& station) : station_(station) {}

    // The format names the plan may hold; none for another name.
    static std::optional<RecordingSessionOptions> OptionsFor(const std::string& format);

    bool Start(const NightPlanEntry& entry, const std::string& format, std::string& error) override;
    bool Step() override;
    void Stop() override;
    NightRecordingResult Result() const override;

private:
    Station& station_;
    std::unique_ptr<RecordingSession> session_;
};

}  // namespace orva
