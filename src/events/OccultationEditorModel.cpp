#include "events/OccultationEditorModel.h"

#include "common/DecimalText.h"
#include "common/IUiServices.h"
#include "common/Log.h"
#include "common/TextFormats.h"
#include "events/NumberScan.h"
#include "events/OwEventManager.h"
#include "events/OwEventTime.h"
#include "events/TextScan.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace orva {

struct OccultationEditorModel::Values {
    double numbers[7] = {};
    std::string starName;
    std::string asteroidName;
    double raHours = 0.0;
    double decDegrees = 0.0;
    uint64_t eventTime = 0;
};

namespace {

constexpr const char* kInvalidTitle = "Input invalid";
constexpr std::size_t kMinNameLength = 2;
constexpr std::size_t kMaxNameLength = 32;

std::string Format(const char* format, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), format, values...);
    return buffer;
}

std::size_t Characters(const std::string& text) {
    std::size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string DateTimeText(uint64_t ticks) {
    const UtcDateTime t = UtcFromEventTicks(ticks);
    return Format("%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute, t.second);
}

}  // namespace

OccultationEditorModel::OccultationEditorModel(OwEventManager& store, IUiServices& ui, OwEventId id, uint64_t nowTicks)
    : store_(store), ui_(ui), id_(id) {
    LogMessage("I Occultation editor opened");
    const OwEvent* existing = id == 0 ? nullptr : store.Find(id);
    if (existing == nullptr) id_ = 0;
    OwEvent fresh;
    fresh.AsteroidName = "MyAsteroid";
    fresh.StarName = "MyStar";
    fresh.EventTime = nowTicks;
    const OwEvent& e = existing != nullptr ? *existing : fresh;
    const double numbers[] = {e.ErrorInTimeSec, e.EventMaxDurationSec, e.Probability, e.AsteroidMag,
                              e.StarMag,        e.CombinedMag,         e.MagDrop};
    for (std::size_t i = 0; i < 7; ++i) texts_[i] = FormatFixed(numbers[i], 1);
    SetText(Field::StarName, e.StarName);
    SetText(Field::AsteroidName, e.AsteroidName);
    SetText(Field::Position,
            FormatRightAscension(e.StarRaHours * 15.0) + " " + FormatAngle(e.StarDecDegrees, '+', '-', false));
    SetText(Field::DateTime, DateTimeText(e.EventTime));
}

const char* OccultationEditorModel::Label(Field field) {
    static constexpr const char* kLabels[kFieldCount] = {
        "+/-",           "maximum duration", "probability", "asteroid magnitude", "star magnitude", "combined magnitude",
        "delta magnitude", "star name",      "asteroid name", "position",         "date and time"};
    return kLabels[static_cast<std::size_t>(field)];
}

bool OccultationEditorModel::Invalid(Field field, const std::string& message) {
    ui_.ShowMessage(kInvalidTitle, message, MessageIcon::Warning);
    LogMessageString("I input invalid:", std::string("Field '") + Label(field) + "', Value '" + Text(field) + "'");
    invalid_ = field;
    return false;
}

bool OccultationEditorModel::ReadNumber(Field field, double& value) {
    const ScanResult r = ScanText(Text(field), "%lf");
    if (r.Has(1) && std::isfinite(r.values[0])) {
        value = r.values[0];
        return true;
    }
    return Invalid(field, Format("The input '%s' in field '%s' is invalid. Please input a decimal number and try again.",
                                 Text(field).c_str(), Label(field)));
}

bool OccultationEditorModel::ReadName(Field field, std::string& value) {
    const std::size_t n = Characters(Text(field));
    if (n >= kMinNameLength && n <= kMaxNameLength) {
        value = Text(field);
        return true;
    }
    const bool shortName = n < kMinNameLength;
    return Invalid(field, Format("The input '%s' in field '%s' is %s %d. Please correct the input and try again.",
                                 Text(field).c_str(), Label(field),
                                 shortName ? "too short; minimum length is" : "too long; maximum length is",
                                 static_cast<int>(shortName ? kMinNameLength : kMaxNameLength)));
}

bool OccultationEditorModel::ReadPosition(double& raHours, double& decDegrees) {
    const Field field = Field::Position;
    std::vector<std::string> parts;
    std::istringstream in(Text(field));
    for (std::string part; in >> part;) parts.push_back(part);
    const auto formatError = [&] {
        return Invalid(field, Format("The format of the input in field '%s' is invalid. Expected format: hh mm ss "
                                     "[+/-]deg mm ss. Please try again.",
                                     Label(field)));
    };
    if (parts.size() != 6) return formatError();
    // Each part begins with its number; what follows it ("h", "m", "'") is the unit.
    int ints[6] = {};
    double secs[2] = {};
    for (const std::size_t i : {0u, 1u, 3u, 4u}) {
        const auto n = ScanInt32(parts[i]);
        if (!n) return formatError();
        ints[i] = n->value;
    }
    for (const std::size_t i : {2u, 5u}) {
        const auto n = ScanDouble(parts[i]);
        if (!n || !std::isfinite(n->value)) return formatError();
        secs[i == 2 ? 0 : 1] = n->value;
    }
    if (ints[0] < 0 || ints[0] > 23 || ints[1] < 0 || ints[1] > 59 || secs[0] < 0.0 || secs[0] >= 60.0) {
        return Invalid(field, Format("The RA part in field '%s' is outside of the permitted range. Please correct the "
                                     "input and try again.",
                                     Label(field)));
    }
    // The sign is the part's own, so that "-00 30 00" is south of the equator.
    const double sign = parts[3][0] == '-' ? -1.0 : 1.0;
    const double dec = std::abs(ints[3]) + ints[4] / 60.0 + secs[1] / 3600.0;
    if (std::abs(ints[3]) > 90 || ints[4] < 0 || ints[4] > 59 || secs[1] < 0.0 || secs[1] >= 60.0 || dec > 90.0) {
        return Invalid(field, Format("The DEC part in field '%s' is outside of the permitted range. Please correct the "
                                     "input and try again.",
                                     Label(field)));
    }
    raHours = ints[0] + ints[1] / 60.0 + secs[0] / 3600.0;
    decDegrees = sign * dec;
    return true;
}

bool OccultationEditorModel::ReadDateTime(uint64_t& ticks) {
    const Field field = Field::DateTime;
    const ScanResult r = ScanText(Text(field), "%d.%d.%d %d:%d:%d");
    if (!r.Has(6)) {
        return Invalid(field, Format("The format of the input date and time in field '%s' is invalid. Expected format: "
                                     "dd.mm.yy HH:MM:SS. Please try again.",
                                     Label(field)));
    }
    const UtcDateTime t{static_cast<int>(r.values[2]), static_cast<int>(r.values[1]), static_cast<int>(r.values[0]),
                        static_cast<int>(r.values[3]), static_cast<int>(r.values[4]), static_cast<int>(r.values[5]), 0};
    // A day the month does not have (31.02.) is out of range too.
    if (t.year < 2000 || t.year > 3000 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
        !IsValidUtc({t.year, t.month, t.day, 0, 0, 0, 0})) {
        return Invalid(field, Format("The date part in field '%s' is outside of the permitted range. Please correct "
                                     "the input and try again.",
                                     Label(field)));
    }
    if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) {
        return Invalid(field, Format("The time part in field '%s' is outside of the permitted range. Please correct "
                                     "the input and try again.",
                                     Label(field)));
    }
    ticks = EventTicksFromUtc(t);
    return true;
}

OccultationEditorModel::Result OccultationEditorModel::Confirm() {
    LogMessage("I Occultation editor confirmed");
    invalid_.reset();
    Values v;
    bool ok = true;
    for (std::size_t i = 0; ok && i < 7; ++i) ok = ReadNumber(static_cast<Field>(i), v.numbers[i]);
    ok = ok && ReadName(Field::StarName, v.starName) && ReadName(Field::AsteroidName, v.asteroidName) &&
         ReadPosition(v.raHours, v.decDegrees) && ReadDateTime(v.eventTime);
    if (!ok) {
        LogMessage("I Occultation editor input is invalid:");
        return Result::KeepOpen;
    }
    const Result result = Apply(v);
    if (result == Result::Closed) LogMessage("I Occultation editor closing");
    return result;
}

OccultationEditorModel::Result OccultationEditorModel::Apply(const Values& v) {
    const auto fill = [&v](OwEvent& e) {
        e.ErrorInTimeSec = v.numbers[0];
        e.EventMaxDurationSec = v.numbers[1];
        e.Probability = v.numbers[2];
        e.AsteroidMag = v.numbers[3];
        e.StarMag = v.numbers[4];
        e.CombinedMag = v.numbers[5];
        e.MagDrop = v.numbers[6];
        e.StarName = v.starName;
        e.AsteroidName = v.asteroidName;
        e.StarRaHours = v.raHours;
        e.StarDecDegrees = v.decDegrees;
        e.EventTime = v.eventTime;
    };
    if (id_ != 0) {
        store_.UpdateEvent(id_, fill);
        return Result::Closed;
    }
    OwEvent event;
    event.FeedName = "User input";
    event.OwEventInfoVersion = 1;
    fill(event);
    const AddEventResult added = store_.AddEvent(std::move(event));
    switch (added.status) {
        case AddEventStatus::Added:
        case AddEventStatus::Filed:
            id_ = added.id;
            return Result::Closed;
        case AddEventStatus::Duplicate:
            ui_.ShowMessage("Error", "Can't add this event because an event with the same name is already in the list.",
                            MessageIcon::Warning);
            return Result::KeepOpen;
        case AddEventStatus::Rejected:
        case AddEventStatus::Failed:
            break;
    }
    return Result::KeepOpen;
}

void OccultationEditorModel::Cancel() { LogMessage("I Occultation editor cancelled"); }

}  // namespace orva
