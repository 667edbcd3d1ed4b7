#pragma once
// The logic of the occultation details view (`CDlgOccultationDetails`): the texts, choices,
// enabling and field colours it shows for the selected event, and what it does with the
// observer's input (D and R kinds and times, accuracies, weather), the import of D and R
// from an AOTA or PyOTE log, "Create Report..." and the planetarium. Every accepted input
// is written into the event at once and saved by the store. The view only shows View()
// and forwards the observer's actions; a dropped file goes to DropFiles, which imports
// the same way as the file picker.
//
// Threads: GUI thread only.

#include "events/AnalysisLogReader.h"
#include "events/EquipmentLists.h"
#include "events/ObservationReport.h"
#include "events/OwEvent.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class IUiServices;
class OwEventManager;
class PlanetariumHandoff;
class ProcessLauncher;
class Settings;

enum class FieldColour { White, Yellow, Green };

struct OccultationDetailsView {
    bool hasEvent = false;
    std::string dateTime;     // "05.03.2024 21:30:12 UT  ± 1.5 s"
    std::string countdown;    // " 1h 02m 03s", "-0h 00m 05s"
    std::string maxDuration;  // "4.2 s"
    std::string probability;  // "75.0 %"
    std::string asteroid;
    std::string star;
    std::string starMag;      // "mag 11.2"
    std::string combinedMag;  // "mag 11.0   delta 2.1"
    std::string position;     // "12h 34m 56.789s, +12 34' 56.789\""
    std::string recording;    // "-", "21:29:00.000 - 21:31:00.000"
    int dType = 0;            // item indexes of the four choice lists
    int rType = 0;
    int transparency = 0;
    int seeing = 0;
    std::string snr;
    std::string wind;
    std::string temperature;
    bool dEnabled = false;
    std::string dTime;
    std::string dAccuracy;
    FieldColour dTimeColour = FieldColour::White;
    bool rEnabled = false;
    std::string rTime;
    std::string rAccuracy;
    FieldColour rTimeColour = FieldColour::White;
};

class OccultationDetailsModel {
public:
    static const std::array<const char*, 8> kDTypes;
    static const std::array<const char*, 8> kRTypes;
    static const std::array<const char*, 8> kTransparencies;
    static const std::array<const char*, 4> kSeeings;
    static constexpr const char* kImportTitle = "Select AOTA or PyOTE log file";
    static constexpr const char* kImportFilter = "AOTA / PyOTE log files (*.txt)|*.txt|All Files (*.*)|*.*||";

    struct Services {
        OwEventManager& store;
        IUiServices& ui;
        EquipmentLists lists;
        const Settings& settings;
        ObservationReport& report;
        PlanetariumHandoff& planetarium;
        ProcessLauncher& launcher;
    };

    explicit OccultationDetailsModel(const Services& services);

    // The event shown (0: none).
    void Show(OwEventId id);
    OwEventId Shown() const { return shown_; }
    const OwEvent* Event() const;
    OccultationDetailsView View() const;

    // Observer input. Each accepted change is stored and saved.
    void ChooseDType(int index);
    void ChooseRType(int index);
    void EditDTime(const std::string& text);
    void EditRTime(const std::string& text);
    void EditDAccuracy(const std::string& text);
    void EditRAccuracy(const std::string& text);
    void EditSnr(const std::string& text);
    void EditWind(const std::string& text);
    void EditTemperature(const std::string& text);
    void ChooseTransparency(int index);
    void ChooseSeeing(int index);
    // White for an empty text or a number, yellow otherwise (SNR, wind, temperature).
    static FieldColour NumberFieldColour(const std::string& text);

    // "Import from AOTA / PyOTE log...": the file picker, then ImportAnalysisLog.
    void ImportFromPicker();
    // Files dropped on the view: exactly one is imported.
    void DropFiles(const std::vector<std::string>& paths);
    // Fills D and R from the log; false (shown) when it could not. Nothing is changed
    // unless both D and R were found.
    bool ImportAnalysisLog(const std::string& path);
    // The D (R) time field's text for an imported time: rounded to the millisecond, with
    // the carry into minutes and hours ("21:30:59.9996" gives "21:31:00.000").
    static std::string ImportedTimeText(const AnalysisTime& time);

    ObservationReport::Result CreateReport();
    // "C2A": starts the hand-off; Tick (the station's tools in the program) drives it.
    void OpenPlanetarium();

    // Once a second: the countdown moved; when the recording times of the event changed
    // since they were last shown, the store is saved and true returned (refresh).
    bool OnSecond();
    // Drives the planetarium hand-off, collects ended programs.
    void Tick();

private:
    struct Timing;
    static const Timing& DTiming();
    static const Timing& RTiming();
    void ChooseType(const Timing& timing, int index);
    void EditTime(const Timing& timing, const std::string& text);
    void EditAccuracy(const Timing& timing, const std::string& text);
    void EditWeather(double OwEvent::*field, const std::string& text);
    void Edit(const std::function<void(OwEvent&)>& edit);
    void CacheRecordingFlags();
    void ApplyImported(const Timing& timing, const AnalysisTime& time);

    Services s_;
    OwEventId shown_ = 0;
    std::pair<int32_t, int32_t> recordingFlags_{0, 0};
};

}  // namespace orva
