#include "events/ReportPlaceholders.h"

#include "common/DecimalText.h"
#include "common/ProgramVersion.h"
#include "common/TextFormats.h"
#include "equipment/EquipmentManager.h"
#include "events/NumberScan.h"
#include "events/OwEventTime.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace orva {
namespace {

constexpr double kNotEntered = -9999.0;
constexpr uint64_t kMillisecondsPerDay = 86400000;
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// printf's "%<width>.<decimals>f", independent of the locale.
std::string Fixed(double value, int decimals, std::size_t width = 0) {
    std::string text = FormatFixed(value, decimals);
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

// The fraction dropped, held within int (the C conversion is undefined beyond it).
int Truncated(double value) {
    if (!(value > static_cast<double>(std::numeric_limits<int>::min()))) return std::isnan(value) ? 0 : std::numeric_limits<int>::min();
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

std::string Int(double value) { return std::to_string(Truncated(value)); }

// "%-<width>s", counting characters (not the bytes of their UTF-8 form).
std::string PaddedRight(const std::string& text, std::size_t width) {
    std::size_t characters = 0;
    for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return characters < width ? text + std::string(width - characters, ' ') : text;
}

std::string Format(const char* format, auto... values) {
    char buffer[128];
    std::snprintf(buffer, sizeof(buffer), format, values...);
    return buffer;
}

bool Applicable(const std::string& type) { return type != " " && type != "M"; }

// "{{SITE_LATITUDE}}" without its marks, with the hemisphere letters as signs.
void AddSodis(PlaceholderMap& site, const std::string& key, const std::string& sodisKey, char plus, char minus) {
    const std::string value = site.try_emplace(key).first->second;
    std::string sodis;
    for (const char c : value) {
        if (c == '\'' || c == '"') continue;
        sodis += c == plus ? '+' : c == minus ? '-' : c;
    }
    site.insert_or_assign(sodisKey, sodis);
}

void AddTimes(PlaceholderMap& map, const OwEvent& e) {
    const UtcDateTime t = UtcFromEventTicks(e.EventTime);
    const char* month = t.month >= 1 && t.month <= 12 ? kMonths[static_cast<std::size_t>(t.month - 1)] : "?";
    const int monthNumber = t.month >= 1 && t.month <= 12 ? t.month : 0;
    map["{{EVENT_DATE_TIME}}"] = Format("%04d %s %02d, %02d:%02d (UTC)", t.year, month, t.day, t.hour, t.minute);
    map["{{EVENT_DATE_TIME_SODIS}}"] =
        Format("%02d %s %02d, %02d:%02d:%02d", t.day, month, t.year, t.hour, t.minute, t.second);
    map["{{EVENT_DATE_SODIS}}"] = map["{{EVENT_DATE_TIME_SODIS}}"];
    map["{{EVENT_DATE_YYYYMMDD}}"] = Format("%04d%02d%02d", t.year, monthNumber, t.day);
    map["{{EVENT_TIME_HHMM}}"] = Format("%02d%02d", t.hour, t.minute);
    map["{{EVENT_PREDICTED_TIME}}"] = Format("%02d %02d %02d.%03d", t.hour, t.minute, t.second, t.millisecond);
}

void AddAsteroidName(PlaceholderMap& map, const OwEvent& e) {
    const std::string padded = PaddedRight(e.AsteroidName, 20);
    map["{{EVENT_ASTEROID_NR_NAME}}"] = padded;
    const std::size_t i = padded.find(')');
    if (i != std::string::npos && i > 0 && i + 2 < padded.size()) {
        map["{{EVENT_ASTEROID_NR}}"] = padded.substr(1, i - 1);
        map["{{EVENT_ASTEROID_NAME}}"] = padded.substr(i + 2);
    } else {
        map["{{EVENT_ASTEROID_NR}}"] = "";
        map["{{EVENT_ASTEROID_NAME}}"] = padded;
    }
}

void AddRecording(PlaceholderMap& map, const OwEvent& e) {
    const auto time = [&map](const char* key, bool valid, uint64_t ms, uint32_t acc) {
        const std::string k = key;
        map["{{RECORDING_" + k + "}}"] = valid ? FormatTimeOfDay(ms, ' ') : "XX XX XX.XXX";
        map["{{RECORDING_" + k + "_SODIS}}"] = valid ? FormatTimeOfDay(ms, ':') : "00:00:00.000";
        map["{{RECORDING_" + k + "_ACC}}"] = valid ? Fixed(acc / 1000.0, 3, 5) : "X.XXX";
    };
    time("START", e.RecordingStartTimestamp_valid != 0, e.RecordingStartTimestamp_ms, e.RecordingStartTimestamp_acc_ms);
    time("END", e.RecordingEndTimestamp_valid != 0, e.RecordingEndTimestamp_ms, e.RecordingEndTimestamp_acc_ms);
    map["{{RECORDING_GPS_PRECISION_METERS}}"] =
        e.RecordingGpsPrecision_m > 0 ? std::to_string(e.RecordingGpsPrecision_m) : "n/a";
    const bool averaged = e.RecordingGpsNofAveragedValues > 0;
    map["{{RECORDING_GPS_AVG_LAT}}"] = averaged ? FormatE7Angle(e.RecordingGpsAvgLatE7, false) : "+XX XX XX.XXX";
    map["{{RECORDING_GPS_AVG_LON}}"] = averaged ? FormatE7Angle(e.RecordingGpsAvgLonE7, true) : "+XXX XX XX.XXX";
    map["{{RECORDING_GPS_AVG_HEIGHT}}"] = averaged ? std::to_string(e.RecordingGpsAvgHeight_m) : "XXX";
    map["{{RECORDING_GPS_AVG_NOF_VALUES}}"] = averaged ? std::to_string(e.RecordingGpsNofAveragedValues) : "0";
    const auto optional = [&map](const char* key, const std::string& value) {
        if (!value.empty()) map[key] = value;
    };
    optional("{{RECORDING_FORMAT}}", e.RecordingFormat);
    optional("{{CAMERA_GAIN}}", e.CameraGainDb);
    optional("{{CAMERA_MODEL_NAME}}", e.CameraModelName);
    optional("{{CAMERA_SERIAL_NR}}", e.CameraSerialNr);
    optional("{{CAMERA_SENSOR_NAME}}", e.CameraSensorName);
    optional("{{CAMERA_EXPOSURE_TIME}}", e.CameraExposureTime);
    optional("{{CAMERA_BINNING}}", e.CameraBinning);
    optional("{{CAMERA_W_H}}", e.CameraWh);
}

void AddTimings(PlaceholderMap& map, const OwEvent& e) {
    const auto timing = [&map](const std::string& k, const std::string& type, bool valid, uint64_t ms, uint32_t acc) {
        const bool shown = Applicable(type) && valid;
        map["{{" + k + "_TYPE}}"] = type;
        map["{{" + k + "_TIME}}"] = shown ? FormatTimeOfDay(ms, ' ') : std::string(12, ' ');
        map["{{" + k + "_TIME_SODIS}}"] = shown ? FormatTimeOfDay(ms, ':') : std::string(12, ' ');
        map["{{" + k + "_ACCURACY_SEC}}"] = shown ? Fixed(acc / 1000.0, 3, 5) : std::string(5, ' ');
    };
    timing("D", e.DType, e.DTimestamp_valid != 0, e.DTimestamp_ms, e.DTimestamp_acc_ms);
    timing("R", e.RType, e.RTimestamp_valid != 0, e.RTimestamp_ms, e.RTimestamp_acc_ms);
    map["{{OCCULTATION_NEGATIVE_POSITIVE}}"] = e.RType == " " || e.DType == " "   ? " "
                                               : e.RType == "M" && e.DType == "M" ? "NEGATIVE"
                                                                                  : "POSITIVE";
    if (e.DTimestamp_valid != 0 && e.RTimestamp_valid != 0) {
        // An R earlier in the day than D is the next day's: the event spans midnight.
        uint64_t r = e.RTimestamp_ms;
        if (r < e.DTimestamp_ms) r += kMillisecondsPerDay;
        map["{{DURATION_SEC}}"] = Fixed(static_cast<double>(r - e.DTimestamp_ms) / 1000.0, 3, 5);
    } else {
        map["{{DURATION_SEC}}"] = std::string(5, ' ');
    }
}

void AddPrediction(PlaceholderMap& map, const OwEvent& e) {
    map["{{EVENT_PROBABILITY}}"] = Fixed(e.Probability, 1);
    map["{{EVENT_ASTEROID_MAG}}"] = Fixed(e.AsteroidMag, 1, 4);
    map["{{EVENT_STAR_MAG}}"] = Fixed(e.StarMag, 1, 4);
    map["{{EVENT_STAR_NAME}}"] = PaddedRight(e.StarName, 20);
    map["{{EVENT_COMBINED_MAG}}"] = Fixed(e.CombinedMag, 1, 4);
    map["{{EVENT_DELTA_MAG}}"] = Fixed(e.MagDrop, 1, 4);
    map["{{EVENT_PREDICTED_TIME_ACC}}"] = Fixed(e.ErrorInTimeSec, 3, 5);
    map["{{EVENT_PREDICTED_YES_NO}}"] = e.DistanceFromCenterLine < e.PathWidth * 0.5 ? "yes" : "no";
    map["{{EVENT_PREDICTED_DURATION}}"] = Fixed(e.EventMaxDurationSec, 1);

    const bool extended = e.OwEventInfoVersion >= 2;
    if (e.SourceOccultXml != 0) map["{{EVENT_FEED_NAME}}"] = "XML file from Occult";
    if (extended && !e.FeedName.empty()) map["{{EVENT_FEED_NAME}}"] = e.FeedName;
    if (e.SourceOccultXml != 0 || extended) map["{{EVENT_ASTEROID_DIAMETER}}"] = Fixed(e.AsteroidDiameter, 1, 4);
    if (extended) {
        map["{{EVENT_DISTANCE_CENTRAL_LINE}}"] = Fixed(e.DistanceFromCenterLine, 1);
        map["{{EVENT_MOON_INFO}}"] =
            e.MoonAltitude <= 0 ? "below horizon"
                                : Int(e.MoonSunLit + 0.5) + " percent lit, distance " + Int(e.MoonDistance + 0.5) + " deg";
        map["{{EVENT_STAR_ALTITUDE}}"] = Int(e.StarAltitude + 0.5);
        map["{{EVENT_STAR_AZIMUT}}"] = Int(e.StarAzimut + 0.5);
        map["{{EVENT_STAR_CONSTELLATION}}"] = e.StarConstellation;
    }
}

void AddWeather(PlaceholderMap& map, const OwEvent& e) {
    map["{{RECORDING_SNR}}"] = e.RecordingSNR == kNotEntered ? "" : Fixed(e.RecordingSNR, 1);
    map["{{RECORDING_WIND_BFT}}"] = e.RecordingWindBft == kNotEntered ? "" : Int(std::round(e.RecordingWindBft));
    map["{{RECORDING_TEMP_C}}"] = e.RecordingTempC == kNotEntered ? "" : Fixed(e.RecordingTempC, 1);
    map["{{RECORDING_TRANSPARENCY}}"] = e.RecordingTransparency;
    map["{{RECORDING_SEEING}}"] = e.RecordingSeeing == " " ? "_" : e.RecordingSeeing;
    map["{{RECORDING_COMMENT1}}"] = e.RecordingComment1;
    map["{{RECORDING_COMMENT2}}"] = e.RecordingComment2;
}

std::string TelescopeTypeShort(const std::string& type) {
    static constexpr std::array<const char*, 8> kTypes = {"Refractor",  "Newtonian", "SCT",  "Dobsonian",
                                                          "Binoculars", "Other",     "None", "eVscope"};
    for (std::size_t i = 0; i < kTypes.size(); ++i) {
        if (type == kTypes[i]) return std::to_string(i + 1);
    }
    return "_";
}

// The number at the start of a value, 0 when there is none.
double LeadingNumber(const std::string& text) {
    const auto n = ScanDouble(text);
    return n ? n->value : 0.0;
}

void AddDerived(PlaceholderMap& map, const OwEvent& e, const EquipmentLists& lists) {
    // The telescope the event was recorded with, not whichever one is selected now.
    if (const EquipmentEntry* instrument = lists.instruments.Find(e.RecordingInstrument)) {
        const std::string focal = Int(instrument->Integer("FocalLength") * instrument->Real("FlFactor"));
        map.try_emplace("{{TELESCOPE_FOCAL_LENGTH}}", focal);
        map.try_emplace("{{TELESCOPE_FOCAL_LENGTH_CM}}", Fixed(LeadingNumber(focal) / 10.0, 1));
    }
    if (const auto aperture = map.find("{{TELESCOPE_APERTURE}}"); aperture != map.end()) {
        map.try_emplace("{{TELESCOPE_APERTURE_CM}}", Fixed(LeadingNumber(aperture->second) / 10.0, 1));
    }
    if (const auto exposure = map.find("{{CAMERA_EXPOSURE_TIME}}"); exposure != map.end()) {
        map.try_emplace("{{CAMERA_EXPOSURE_TIME_SEC}}", Fixed(LeadingNumber(exposure->second) / 1000.0, 3));
    }
    if (const auto type = map.find("{{TELESCOPE_TYPE}}"); type != map.end()) {
        map.try_emplace("{{TELESCOPE_TYPE_SHORT}}", TelescopeTypeShort(type->second));
    }
    map.try_emplace("{{ORVA_SOFTWARE_NAME}}", "ORVA Cam Control");
    map.try_emplace("{{ORVA_SOFTWARE_VERSION}}", ProgramVersionWithBuild());
}

}  // namespace

PlaceholderMap ReportPlaceholders::OfEvent(const OwEvent& event) {
    PlaceholderMap map;
    AddPrediction(map, event);
    AddAsteroidName(map, event);
    AddTimes(map, event);
    AddRecording(map, event);
    AddTimings(map, event);
    AddWeather(map, event);
    return map;
}

PlaceholderMap ReportPlaceholders::Build(const OwEvent& event, const EquipmentLists& lists) {
    PlaceholderMap observer;
    PlaceholderMap site;
    PlaceholderMap mount;
    PlaceholderMap instrument;
    lists.observers.Placeholders(event.RecordingObserver, observer);
    lists.sites.Placeholders(event.RecordingObservingSite, site);
    lists.mounts.Placeholders(event.RecordingMount, mount);
    lists.instruments.Placeholders(event.RecordingInstrument, instrument);
    AddSodis(site, "{{SITE_LONGITUDE}}", "{{SITE_LONGITUDE_SODIS}}", 'E', 'W');
    AddSodis(site, "{{SITE_LATITUDE}}", "{{SITE_LATITUDE_SODIS}}", 'N', 'S');

    // A key already present keeps its first value.
    PlaceholderMap merged;
    for (const PlaceholderMap* part : {&observer, &site, &mount, &instrument}) merged.insert(part->begin(), part->end());
    const PlaceholderMap own = OfEvent(event);
    merged.insert(own.begin(), own.end());
    AddDerived(merged, event, lists);
    return merged;
}

std::string ReportPlaceholders::Fill(std::string text, const PlaceholderMap& map) {
    // One pass over the text: a value is never searched again, so a star name holding
    // "{{OBSERVER_EMAIL}}" appears as it is, whatever order the map has.
    std::size_t open = text.find("{{");
    if (open == std::string::npos) return text;
    std::string filled;
    std::size_t done = 0;
    while (open != std::string::npos) {
        const std::size_t close = text.find("}}", open + 2);
        if (close == std::string::npos) break;
        const auto found = map.find(text.substr(open, close + 2 - open));
        if (found == map.end()) {
            // Not a placeholder here; one may still start at the next brace ("{{{{KEY}}").
            open = text.find("{{", open + 1);
            continue;
        }
        filled.append(text, done, open - done);
        filled += found->second;
        done = close + 2;
        open = text.find("{{", done);
    }
    filled.append(text, done);
    return filled;
}

}  // namespace orva
