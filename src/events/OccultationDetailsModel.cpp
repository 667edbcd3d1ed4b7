#include "events/OccultationDetailsModel.h"

#include "common/DecimalText.h"
#include "common/IUiServices.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "common/TextFormats.h"
#include "equipment/EquipmentManager.h"
#include "events/OwEventManager.h"
#include "events/PlanetariumHandoff.h"
#include "events/ProcessLauncher.h"
#include "events/TextScan.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>

namespace orva {

const std::array<const char*, 8> OccultationDetailsModel::kDTypes = {
    " ", "M - Non Detection", "D - Main Star", "d - Second Star", "G - Satellite Main Star", "g - Satellite 2nd Star",
    "N - Ring", "C - Not Seen"};
const std::array<const char*, 8> OccultationDetailsModel::kRTypes = {
    " ", "M - Non Detection", "R - Main Star", "r - Second Star", "B - Satellite Main Star", "b - Satellite 2nd Star",
    "N - Ring", "C - Not Seen"};
const std::array<const char*, 8> OccultationDetailsModel::kTransparencies = {
    " ", "1 - Clear", "2 - Fog", "3 - Thin clouds", "4 - Thick clouds", "5 - Broken opaque", "6 - Star faint",
    "7 - Averted vision"};
const std::array<const char*, 4> OccultationDetailsModel::kSeeings = {" ", "1 - Steady", "2 - Slight flickering",
                                                                      "3 - Strong flickering"};

// The fields of D or of R.
struct OccultationDetailsModel::Timing {
    std::span<const char* const> types;
    std::string OwEvent::*type;
    int32_t OwEvent::*valid;
    uint64_t OwEvent::*ms;
    uint32_t OwEvent::*acc;
};

namespace {

constexpr double kNotEntered = -9999.0;
// The imported D and R go in as the main star's.
constexpr int kMainStarItem = 2;

bool Applicable(const std::string& type) { return type != " " && type != "M"; }

// The item that begins with the stored character (letter case respected); the first
// item when none does.
int ItemOf(std::span<const char* const> items, const std::string& stored) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!stored.empty() && items[i][0] == stored[0]) return static_cast<int>(i);
    }
    return 0;
}

std::string Format(const char* format, auto... values) {
    char buffer[96];
    std::snprintf(buffer, sizeof(buffer), format, values...);
    return buffer;
}

// Seconds (as typed) to whole milliseconds, rounded; empty for what no time can hold.
std::optional<uint64_t> RoundedMilliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0.0 || seconds > 4.0e6) return std::nullopt;
    return static_cast<uint64_t>((seconds + 0.0005) * 1000.0);
}

std::string WeatherText(double value, bool rounded) {
    if (value == kNotEntered) return "";
    return rounded ? std::to_string(static_cast<long long>(std::llround(value))) : FormatFixed(value, 1);
}

}  // namespace

const OccultationDetailsModel::Timing& OccultationDetailsModel::DTiming() {
    static const OccultationDetailsModel::Timing timing{OccultationDetailsModel::kDTypes, &OwEvent::DType,
                                                        &OwEvent::DTimestamp_valid, &OwEvent::DTimestamp_ms,
                                                        &OwEvent::DTimestamp_acc_ms};
    return timing;
}

const OccultationDetailsModel::Timing& OccultationDetailsModel::RTiming() {
    static const OccultationDetailsModel::Timing timing{OccultationDetailsModel::kRTypes, &OwEvent::RType,
                                                        &OwEvent::RTimestamp_valid, &OwEvent::RTimestamp_ms,
                                                        &OwEvent::RTimestamp_acc_ms};
    return timing;
}

OccultationDetailsModel::OccultationDetailsModel(const Services& services) : s_(services) {}

void OccultationDetailsModel::Show(OwEventId id) {
    shown_ = id;
    CacheRecordingFlags();
}

const OwEvent* OccultationDetailsModel::Event() const { return shown_ == 0 ? nullptr : s_.store.Find(shown_); }

void OccultationDetailsModel::CacheRecordingFlags() {
    const OwEvent* e = Event();
    recordingFlags_ = e ? std::pair(e->RecordingStartTimestamp_valid, e->RecordingEndTimestamp_valid) : std::pair(0, 0);
}

OccultationDetailsView OccultationDetailsModel::View() const {
    OccultationDetailsView v;
    const OwEvent* e = Event();
    if (e == nullptr) return v;
    v.hasEvent = true;
    v.dateTime = FormatEventTimeUt(e->EventTime) + "  \xC2\xB1 " + FormatFixed(e->ErrorInTimeSec, 1) + " s";
    const uint64_t s = static_cast<uint64_t>(e->SecondsToEvent < 0 ? -e->SecondsToEvent : e->SecondsToEvent);
    v.countdown = Format("%c%lluh %02llum %02llus", e->SecondsToEvent < 0 ? '-' : ' ',
                         static_cast<unsigned long long>(s / 3600), static_cast<unsigned long long>(s / 60 % 60),
                         static_cast<unsigned long long>(s % 60));
    v.maxDuration = FormatFixed(e->EventMaxDurationSec, 1) + " s";
    v.probability = FormatFixed(e->Probability, 1) + " %";
    v.asteroid = e->AsteroidName;
    v.star = e->StarName;
    v.starMag = "mag " + FormatFixed(e->StarMag, 1);
    v.combinedMag = "mag " + FormatFixed(e->CombinedMag, 1) + "   delta " + FormatFixed(e->MagDrop, 1);
    v.position = FormatRightAscension(e->StarRaHours * 15.0) + ", " + FormatAngle(e->StarDecDegrees, '+', '-', false);
    const bool start = e->RecordingStartTimestamp_valid != 0;
    const bool end = e->RecordingEndTimestamp_valid != 0;
    if (!start && !end) {
        v.recording = "-";
    } else {
        if (start) v.recording = FormatTimeOfDay(e->RecordingStartTimestamp_ms, ':');
        if (end) v.recording += " - " + FormatTimeOfDay(e->RecordingEndTimestamp_ms, ':');
    }
    v.dType = ItemOf(kDTypes, e->DType);
    v.rType = ItemOf(kRTypes, e->RType);
    v.transparency = ItemOf(kTransparencies, e->RecordingTransparency);
    v.seeing = ItemOf(kSeeings, e->RecordingSeeing);
    v.snr = WeatherText(e->RecordingSNR, false);
    v.wind = WeatherText(e->RecordingWindBft, true);
    v.temperature = WeatherText(e->RecordingTempC, false);

    const auto timing = [e](const Timing& t, bool& enabled, std::string& time, std::string& acc, FieldColour& colour) {
        enabled = Applicable(e->*t.type);
        if (!enabled) {
            time = "hh:mm:ss.sss";
            acc = "s.sss";
            colour = FieldColour::White;
            return;
        }
        const bool valid = e->*t.valid != 0;
        colour = valid ? FieldColour::Green : FieldColour::Yellow;
        if (valid) {
            time = FormatTimeOfDay(e->*t.ms, ':');
            acc = Format("%u.%03u", (e->*t.acc) / 1000, (e->*t.acc) % 1000);
        }
    };
    timing(DTiming(), v.dEnabled, v.dTime, v.dAccuracy, v.dTimeColour);
    timing(RTiming(), v.rEnabled, v.rTime, v.rAccuracy, v.rTimeColour);
    return v;
}

void OccultationDetailsModel::Edit(const std::function<void(OwEvent&)>& edit) {
    if (shown_ != 0) s_.store.UpdateEvent(shown_, edit);
}

void OccultationDetailsModel::ChooseType(const Timing& t, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= t.types.size()) return;
    Edit([&t, index](OwEvent& e) {
        e.*t.type = std::string(1, t.types[static_cast<std::size_t>(index)][0]);
        if (!Applicable(e.*t.type)) e.*t.valid = 0;
    });
}

void OccultationDetailsModel::EditTime(const Timing& t, const std::string& text) {
    const OwEvent* e = Event();
    if (e == nullptr || !Applicable(e->*t.type)) return;
    const ScanResult r = ScanText(text, "%d:%d:%lf");
    // Hours up to 59: an event just after midnight may be timed as 24:00:05.
    const bool valid = r.Has(3) && r.values[0] >= 0 && r.values[0] <= 59 && r.values[1] >= 0 && r.values[1] <= 59 &&
                       r.values[2] >= 0.0 && r.values[2] < 60.0;
    Edit([&](OwEvent& ev) {
        ev.*t.valid = valid ? 1 : 0;
        if (valid) {
            ev.*t.ms = static_cast<uint64_t>((r.values[0] * 60 + r.values[1]) * 60000) + *RoundedMilliseconds(r.values[2]);
        }
    });
}

void OccultationDetailsModel::EditAccuracy(const Timing& t, const std::string& text) {
    const OwEvent* e = Event();
    if (e == nullptr || e->*t.type == " ") return;
    const ScanResult r = ScanText(text, "%lf");
    if (!r.Has(1)) return;
    const std::optional<uint64_t> ms = RoundedMilliseconds(r.values[0]);
    if (!ms) return;
    Edit([&](OwEvent& ev) { ev.*t.acc = static_cast<uint32_t>(*ms); });
}

void OccultationDetailsModel::EditWeather(double OwEvent::*field, const std::string& text) {
    double value = kNotEntered;
    if (!text.empty()) {
        const ScanResult r = ScanText(text, "%lf");
        if (!r.Has(1) || !std::isfinite(r.values[0])) return;
        value = r.values[0];
    }
    Edit([field, value](OwEvent& e) { e.*field = value; });
}

void OccultationDetailsModel::ChooseDType(int index) { ChooseType(DTiming(), index); }
void OccultationDetailsModel::ChooseRType(int index) { ChooseType(RTiming(), index); }
void OccultationDetailsModel::EditDTime(const std::string& text) { EditTime(DTiming(), text); }
void OccultationDetailsModel::EditRTime(const std::string& text) { EditTime(RTiming(), text); }
void OccultationDetailsModel::EditDAccuracy(const std::string& text) { EditAccuracy(DTiming(), text); }
void OccultationDetailsModel::EditRAccuracy(const std::string& text) { EditAccuracy(RTiming(), text); }
void OccultationDetailsModel::EditSnr(const std::string& text) { EditWeather(&OwEvent::RecordingSNR, text); }
void OccultationDetailsModel::EditWind(const std::string& text) { EditWeather(&OwEvent::RecordingWindBft, text); }
void OccultationDetailsModel::EditTemperature(const std::string& text) { EditWeather(&OwEvent::RecordingTempC, text); }

void OccultationDetailsModel::ChooseTransparency(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kTransparencies.size()) return;
    Edit([index](OwEvent& e) { e.RecordingTransparency = std::string(1, kTransparencies[static_cast<std::size_t>(index)][0]); });
}

void OccultationDetailsModel::ChooseSeeing(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kSeeings.size()) return;
    Edit([index](OwEvent& e) { e.RecordingSeeing = std::string(1, kSeeings[static_cast<std::size_t>(index)][0]); });
}

FieldColour OccultationDetailsModel::NumberFieldColour(const std::string& text) {
    return text.empty() || ScanText(text, "%lf").Has(1) ? FieldColour::White : FieldColour::Yellow;
}

std::string OccultationDetailsModel::ImportedTimeText(const AnalysisTime& time) {
    const uint64_t ms = static_cast<uint64_t>(time.hours) * 3600000 + static_cast<uint64_t>(time.minutes) * 60000 +
                        static_cast<uint64_t>(time.seconds * 1000.0 + 0.5);
    return FormatTimeOfDay(ms, ':');
}

void OccultationDetailsModel::ApplyImported(const Timing& t, const AnalysisTime& time) {
    ChooseType(t, kMainStarItem);
    EditTime(t, ImportedTimeText(time));
    const auto accMs = static_cast<uint64_t>(time.accuracySec * 1000.0 + 0.5);
    EditAccuracy(t, Format("%llu.%03llu", static_cast<unsigned long long>(accMs / 1000),
                           static_cast<unsigned long long>(accMs % 1000)));
}

bool OccultationDetailsModel::ImportAnalysisLog(const std::string& path) {
    if (Event() == nullptr) return false;
    const AnalysisLog log = AnalysisLogReader::Read(path);
    const char* program = nullptr;
    switch (log.kind) {
        case AnalysisLog::Kind::Unreadable:
            s_.ui.ShowMessage("Import failed", "Failed to open the selected file.", MessageIcon::Error);
            return false;
        case AnalysisLog::Kind::Unknown:
            LogMessageString("I Not importing unknown log file: ", log.headerLine);
            s_.ui.ShowMessage("Import failed",
                              "The file doesn't appear to be an AOTA or PyOTE log file. Please try again with a valid "
                              "AOTA or PyOTE file.",
                              MessageIcon::Error);
            return false;
        case AnalysisLog::Kind::Aota:
            LogMessageString("I Importing AOTA log file: ", log.headerLine);
            program = "AOTA";
            break;
        case AnalysisLog::Kind::Pyote:
            LogMessageString("I Importing PyOTE log file: ", log.headerLine);
            program = "PyOTE";
            break;
    }
    if (!log.d || !log.r) {
        s_.ui.ShowMessage("Import error",
                          std::string("Couldn't locate the D and R times in the ") + program + " log file.",
                          MessageIcon::Error);
        return false;
    }
    ApplyImported(DTiming(), *log.d);
    ApplyImported(RTiming(), *log.r);
    return true;
}

void OccultationDetailsModel::ImportFromPicker() {
    if (Event() == nullptr) return;
    if (const std::optional<std::string> path = s_.ui.PickFile(kImportTitle, kImportFilter)) ImportAnalysisLog(*path);
}

void OccultationDetailsModel::DropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (paths.size() > 1) {
        s_.ui.ShowMessage("Too many files", "Please drop only a single AOTA or PyOTE log file on this dialog.",
                          MessageIcon::Error);
        return;
    }
    LogMessageString("I Dropped file on Occultation dialog: ", paths[0]);
    ImportAnalysisLog(paths[0]);
}

ObservationReport::Result OccultationDetailsModel::CreateReport() {
    return s_.report.Create(Event(), s_.lists,
                            {s_.settings.ReportsDirectory, s_.settings.ReportFileNameTemplate, s_.settings.ReportEditor});
}

void OccultationDetailsModel::OpenPlanetarium() {
    LogMessage("I Request to open C2A...");
    const OwEvent* e = Event();
    if (e == nullptr) {
        LogMessage("I Request to open C2A rejected (no event selected)");
        return;
    }
    std::optional<PlanetariumHandoff::Site> site;
    if (const EquipmentEntry* entry = s_.lists.sites.Find(e->RecordingObservingSite)) {
        site = PlanetariumHandoff::Site{entry->Real("Lat"), entry->Real("Lon")};
    }
    const std::string& program = s_.settings.C2awExePath;
    s_.planetarium.Begin(program, PlanetariumHandoff::ParameterText(*e, site));
    if (const int32_t failure = s_.planetarium.StartFailure(); failure != 0) {
        s_.ui.ShowMessage("Error",
                          "The planetarium program '" + program + "' could not be started (" + std::strerror(-failure) +
                              "). Please check its path in the settings.",
                          MessageIcon::Error);
    }
}

bool OccultationDetailsModel::OnSecond() {
    const OwEvent* e = Event();
    if (e == nullptr) return false;
    if (std::pair(e->RecordingStartTimestamp_valid, e->RecordingEndTimestamp_valid) == recordingFlags_) return false;
    CacheRecordingFlags();
    s_.store.Save();
    return true;
}

void OccultationDetailsModel::Tick() {
    if (s_.planetarium.Busy()) s_.planetarium.Poll();
    s_.launcher.ReapExited();
}

}  // namespace orva
