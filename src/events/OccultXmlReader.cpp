#include "events/OccultXmlReader.h"

#include "common/Log.h"
#include "equipment/COrvaXmlParser.h"
#include "equipment/Utf16.h"
#include "events/EventNumberRange.h"
#include "events/NumberScan.h"
#include "events/OutsideText.h"
#include "events/OwEventManager.h"
#include "events/OwEventTime.h"

#include <cmath>
#include <string_view>

namespace orva {
namespace {

// Texts of the list entries are read into buffers of 256 characters.
constexpr std::size_t kMaxEntryText = 255;

// The values of a comma-separated entry, read like scanf with a format of "%256[^,]"
// ('s'), "%lf" ('f') and "%d" ('d') separated by commas: numbers may have leading white
// space, a separator must follow a value at once, and reading stops at the first value
// that does not match. `count` is the number of values read.
struct EntryValues {
    std::vector<std::string> texts;
    std::vector<double> numbers;
    std::vector<int> integers;
    std::size_t count = 0;
};

EntryValues ScanEntry(std::string_view text, std::string_view kinds) {
    EntryValues values;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') break;
            ++pos;
        }
        const std::string_view rest = text.substr(pos);
        if (kinds[i] == 's') {
            const std::size_t length = std::min(rest.find(','), rest.size());
            if (length == 0 || Utf8ToUtf16(rest.substr(0, length)).size() > kMaxEntryText) break;
            values.texts.emplace_back(rest.substr(0, length));
            pos += length;
        } else if (kinds[i] == 'f') {
            const auto n = ScanDouble(rest);
            if (!n) break;
            values.numbers.push_back(n->value);
            pos += n->end;
        } else {
            const auto n = ScanInt32(rest);
            if (!n) break;
            values.integers.push_back(n->value);
            pos += n->end;
        }
        ++values.count;
    }
    return values;
}

// A decimal UTC hour on a date, split into hour, minutes, seconds and milliseconds by
// whole parts of the remaining fractions. Empty when it is no valid time.
std::optional<uint64_t> EventTicksOf(int year, int month, int day, double hours) {
    if (!(hours >= 0.0 && hours < 24.0)) return std::nullopt;
    UtcDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = static_cast<int>(hours);
    const double minutes = (hours - t.hour) * 60.0;
    t.minute = static_cast<int>(minutes);
    const double seconds = (minutes - t.minute) * 60.0;
    t.second = static_cast<int>(seconds);
    t.millisecond = static_cast<int>((seconds - t.second) * 1000.0);
    if (!IsValidUtc(t)) return std::nullopt;
    return EventTicksFromUtc(t);
}

}  // namespace

OccultImportResult OccultXmlReader::Import(const std::string& path, OwEventManager& store) {
    OccultImportResult result;
    OccultXmlReader reader;
    std::vector<OwEvent> events = reader.Read(path, &result.readable);
    result.refused = reader.Skipped();
    // All at once: each day file is written once, not once per event of the file.
    for (const AddEventResult& added : store.AddEvents(std::move(events))) {
        switch (added.status) {
            case AddEventStatus::Added:
            case AddEventStatus::Filed: ++result.added; break;
            case AddEventStatus::Duplicate: ++result.duplicates; break;
            case AddEventStatus::Rejected:
            case AddEventStatus::Failed: ++result.refused; break;
        }
    }
    return result;
}

std::vector<OwEvent> OccultXmlReader::Read(const std::string& path, bool* readable) {
    events_.clear();
    skipped_ = 0;
    const XmlReadResult read = COrvaXmlParser(XmlMode::Plain).Read(*this, path);
    if (readable != nullptr) *readable = read.status == XmlReadStatus::Ok || read.items > 0;
    return std::move(events_);
}

void OccultXmlReader::StartItem() {
    current_.emplace();
    current_->FeedName = "Occult";
    current_->OwEventInfoVersion = 1;
}

void OccultXmlReader::ItemValue(const std::string& fieldName, const std::string& text) {
    if (!current_) return;
    if (fieldName == "Elements") {
        ReadElements(text);
    } else if (fieldName == "Star") {
        ReadStar(text);
    } else if (fieldName == "Object") {
        ReadObject(text);
    } else if (fieldName == "ID") {
        ComputeMagnitudes();
    }
}

void OccultXmlReader::EndItem() {
    if (!current_) return;
    if (IsUsableEventTime(current_->EventTime)) {
        events_.push_back(std::move(*current_));
    } else {
        LogMessageString("W Occult event without a valid time not imported:", current_->GetTitle());
        ++skipped_;
    }
    current_.reset();
}

void OccultXmlReader::ReadElements(const std::string& text) {
    const EntryValues v = ScanEntry(text, "sfdddf");
    // A duration no prediction gives ("nan", 1e300) makes the entry unreadable.
    if (v.count < 6 || !EventNumberRange::kDurationSec.Contains(v.numbers[0])) {
        LogMessageString("E Failed to parse 'Elements' entry", text);
        return;
    }
    const std::optional<uint64_t> ticks = EventTicksOf(v.integers[0], v.integers[1], v.integers[2], v.numbers[1]);
    if (!ticks) {
        LogMessageString("E Invalid date or hour in 'Elements' entry", text);
        return;
    }
    current_->EventTime = *ticks;
    current_->EventMaxDurationSec = v.numbers[0];
}

void OccultXmlReader::ReadStar(const std::string& text) {
    const EntryValues v = ScanEntry(text, "sfffff");
    // An entry with a number out of its range ("nan", 1e300) sets none of its fields, as
    // one that does not match its format.
    if (v.count < 6 || !EventNumberRange::kRaHours.Contains(v.numbers[0]) ||
        !EventNumberRange::kDegreesSigned.Contains(v.numbers[1]) || !EventNumberRange::kMagnitude.Contains(v.numbers[3])) {
        return;
    }
    current_->StarName = WithoutControlCharacters(v.texts[0]);
    current_->StarRaHours = v.numbers[0];
    current_->StarDecDegrees = v.numbers[1];
    current_->StarMag = v.numbers[3];
    current_->SourceOccultXml = 1;
}

void OccultXmlReader::ReadObject(const std::string& text) {
    const EntryValues v = ScanEntry(text, "dsfffddff");
    if (v.count < 9 || !EventNumberRange::kMagnitude.Contains(v.numbers[0]) ||
        !EventNumberRange::kDiameterKm.Contains(v.numbers[1])) {
        return;
    }
    current_->AsteroidName = "(" + std::to_string(v.integers[0]) + ") " + WithoutControlCharacters(v.texts[0]);
    current_->AsteroidMag = v.numbers[0];
    current_->AsteroidDiameter = v.numbers[1];
}

void OccultXmlReader::ComputeMagnitudes() {
    OwEvent& e = *current_;
    e.CombinedMag = -2.5 * std::log10(std::pow(10.0, -0.4 * e.StarMag) + std::pow(10.0, -0.4 * e.AsteroidMag));
    e.MagDrop = e.AsteroidMag - e.CombinedMag;
}

void OccultXmlReader::GetRoot(std::string& rootName, std::size_t& itemCount) const {
    rootName.clear();
    itemCount = 0;
}

void OccultXmlReader::GetItemShape(std::string& itemName, std::size_t& fieldCount) const {
    itemName.clear();
    fieldCount = 0;
}

void OccultXmlReader::GetField(std::size_t, std::size_t, std::string& fieldName, std::string& text) const {
    fieldName.clear();
    text.clear();
}

}  // namespace orva
