#include "events/OwEventFile.h"

#include "common/DecimalText.h"
#include "equipment/COrvaXmlParser.h"
#include "equipment/IOrvaXmlParserCallback.h"
#include "events/NumberScan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <variant>

namespace orva {
namespace {

// OwEventInfoVersion is written as an integer but read as a number truncated to one.
struct VersionField {
    uint64_t OwEvent::*member;
};

using FieldMember = std::variant<std::string OwEvent::*, uint64_t OwEvent::*, int32_t OwEvent::*,
                                 uint32_t OwEvent::*, double OwEvent::*, VersionField>;

struct EventField {
    const char* element;
    FieldMember member;
};

// The layout of an "Event" element, described once for reading and writing.
const std::array<EventField, OwEventFile::kFieldCount> kFields = {{
    {"AsteroidName", &OwEvent::AsteroidName},
    {"StarName", &OwEvent::StarName},
    {"StarConstellation", &OwEvent::StarConstellation},
    {"FeedName", &OwEvent::FeedName},
    {"RecordingFormat", &OwEvent::RecordingFormat},
    {"EventTime", &OwEvent::EventTime},
    {"EventMaxDurationSec", &OwEvent::EventMaxDurationSec},
    {"ErrorInTimeSec", &OwEvent::ErrorInTimeSec},
    {"Probability", &OwEvent::Probability},
    {"AsteroidMag", &OwEvent::AsteroidMag},
    {"StarMag", &OwEvent::StarMag},
    {"CombinedMag", &OwEvent::CombinedMag},
    {"MagDrop", &OwEvent::MagDrop},
    {"StarRaHours", &OwEvent::StarRaHours},
    {"StarDecDegrees", &OwEvent::StarDecDegrees},
    {"OwEventInfoVersion", VersionField{&OwEvent::OwEventInfoVersion}},
    {"AsteroidDiameter", &OwEvent::AsteroidDiameter},
    {"MoonDistance", &OwEvent::MoonDistance},
    {"MoonAltitude", &OwEvent::MoonAltitude},
    {"MoonSunLit", &OwEvent::MoonSunLit},
    {"StarAzimut", &OwEvent::StarAzimut},
    {"StarAltitude", &OwEvent::StarAltitude},
    {"DistanceFromCenterLine", &OwEvent::DistanceFromCenterLine},
    {"DistancePathN", &OwEvent::DistancePathN},
    {"DistancePathS", &OwEvent::DistancePathS},
    {"PathWidth", &OwEvent::PathWidth},
    {"ChordOffset", &OwEvent::ChordOffset},
    {"TravelDistance", &OwEvent::TravelDistance},
    {"RecordingStartTimestamp_valid", &OwEvent::RecordingStartTimestamp_valid},
    {"RecordingStartTimestamp_ms", &OwEvent::RecordingStartTimestamp_ms},
    {"RecordingStartTimestamp_acc_ms", &OwEvent::RecordingStartTimestamp_acc_ms},
    {"RecordingEndTimestamp_valid", &OwEvent::RecordingEndTimestamp_valid},
    {"RecordingEndTimestamp_ms", &OwEvent::RecordingEndTimestamp_ms},
    {"RecordingEndTimestamp_acc_ms", &OwEvent::RecordingEndTimestamp_acc_ms},
    {"CameraGainDb", &OwEvent::CameraGainDb},
    {"CameraModelName", &OwEvent::CameraModelName},
    {"CameraSerialNr", &OwEvent::CameraSerialNr},
    {"CameraSensorName", &OwEvent::CameraSensorName},
    {"CameraExposureTime", &OwEvent::CameraExposureTime},
    {"CameraBinning", &OwEvent::CameraBinning},
    {"CameraWh", &OwEvent::CameraWh},
    {"RecordingGpsPrecision_m", &OwEvent::RecordingGpsPrecision_m},
    {"SourceOccultXml", &OwEvent::SourceOccultXml},
    {"DTimestamp_valid", &OwEvent::DTimestamp_valid},
    {"DTimestamp_ms", &OwEvent::DTimestamp_ms},
    {"DTimestamp_acc_ms", &OwEvent::DTimestamp_acc_ms},
    {"RTimestamp_valid", &OwEvent::RTimestamp_valid},
    {"RTimestamp_ms", &OwEvent::RTimestamp_ms},
    {"RTimestamp_acc_ms", &OwEvent::RTimestamp_acc_ms},
    {"DType", &OwEvent::DType},
    {"RType", &OwEvent::RType},
    {"RecordingGpsAvgLatE7", &OwEvent::RecordingGpsAvgLatE7},
    {"RecordingGpsAvgLonE7", &OwEvent::RecordingGpsAvgLonE7},
    {"RecordingGpsAvgHeight_m", &OwEvent::RecordingGpsAvgHeight_m},
    {"RecordingGpsNofAveragedValues", &OwEvent::RecordingGpsNofAveragedValues},
    {"RecordingSNR", &OwEvent::RecordingSNR},
    {"RecordingWindBft", &OwEvent::RecordingWindBft},
    {"RecordingTempC", &OwEvent::RecordingTempC},
    {"RecordingTransparency", &OwEvent::RecordingTransparency},
    {"RecordingSeeing", &OwEvent::RecordingSeeing},
    {"RecordingComment1", &OwEvent::RecordingComment1},
    {"RecordingComment2", &OwEvent::RecordingComment2},
    {"RecordingObservingSite", &OwEvent::RecordingObservingSite},
    {"RecordingObserver", &OwEvent::RecordingObserver},
    {"RecordingInstrument", &OwEvent::RecordingInstrument},
    {"RecordingMount", &OwEvent::RecordingMount},
}};

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

std::string StoredText(const OwEvent& event, const FieldMember& member) {
    return std::visit(Overloaded{
                          [&](std::string OwEvent::*m) { return event.*m; },
                          [&](uint64_t OwEvent::*m) { return std::to_string(event.*m); },
                          [&](int32_t OwEvent::*m) { return std::to_string(event.*m); },
                          [&](uint32_t OwEvent::*m) { return std::to_string(event.*m); },
                          [&](double OwEvent::*m) { return FormatFixed(event.*m, 20); },
                          [&](VersionField f) { return std::to_string(event.*f.member); },
                      },
                      member);
}

// False when the text is no value of the field's type.
bool SetFromStoredText(OwEvent& event, const FieldMember& member, const std::string& text) {
    return std::visit(Overloaded{
                          [&](std::string OwEvent::*m) {
                              event.*m = text;
                              return true;
                          },
                          [&](uint64_t OwEvent::*m) {
                              const auto n = ScanUnsigned(text);
                              if (n) event.*m = n->value;
                              return n.has_value();
                          },
                          [&](int32_t OwEvent::*m) {
                              const auto n = ScanInt32(text);
                              if (n) event.*m = n->value;
                              return n.has_value();
                          },
                          [&](uint32_t OwEvent::*m) {
                              const auto n = ScanUnsigned(text);
                              if (!n || n->value > std::numeric_limits<uint32_t>::max()) return false;
                              event.*m = static_cast<uint32_t>(n->value);
                              return true;
                          },
                          [&](double OwEvent::*m) {
                              const auto n = ScanDouble(text);
                              if (n) event.*m = n->value;
                              return n.has_value();
                          },
                          [&](VersionField f) {
                              const auto n = ScanDouble(text);
                              // 2^64: the first value an unsigned 64-bit count cannot hold.
                              if (!n || !(n->value > -1.0 && n->value < 18446744073709551616.0)) return false;
                              event.*f.member = static_cast<uint64_t>(std::trunc(n->value));
                              return true;
                          },
                      },
                      member);
}

const EventField* FindField(const std::string& element) {
    for (const EventField& field : kFields) {
        if (element == field.element) return &field;
    }
    return nullptr;
}

class DayFileCallback final : public IOrvaXmlParserCallback {
public:
    explicit DayFileCallback(const std::vector<const OwEvent*>* toWrite = nullptr) : toWrite_(toWrite) {}

    void StartItem() override {
        if (!failure_.empty()) return;
        reading_.emplace();
    }
    void ItemValue(const std::string& fieldName, const std::string& text) override {
        if (!reading_) return;
        const EventField* field = FindField(fieldName);
        if (field == nullptr) return;
        if (!SetFromStoredText(*reading_, field->member, text)) {
            failure_ = "no value of its type in <" + fieldName + "> of event " + std::to_string(read_.size() + 1);
            reading_.reset();
        }
    }
    void EndItem() override {
        if (!reading_) return;
        read_.push_back(std::move(*reading_));
        reading_.reset();
    }

    void GetRoot(std::string& rootName, std::size_t& itemCount) const override {
        rootName = "Events";
        itemCount = toWrite_->size();
    }
    void GetItemShape(std::string& itemName, std::size_t& fieldCount) const override {
        itemName = "Event";
        fieldCount = kFields.size();
    }
    void GetField(std::size_t item, std::size_t field, std::string& fieldName, std::string& text) const override {
        fieldName = kFields[field].element;
        text = StoredText(*(*toWrite_)[item], kFields[field].member);
    }

    std::vector<OwEvent>& Read() { return read_; }
    const std::string& Failure() const { return failure_; }

private:
    const std::vector<const OwEvent*>* toWrite_;
    std::optional<OwEvent> reading_;
    std::vector<OwEvent> read_;
    std::string failure_;
};

}  // namespace

OwEventFile::ReadResult OwEventFile::Read(const std::string& path) {
    DayFileCallback callback;
    const XmlReadResult xml = COrvaXmlParser(XmlMode::Coded).Read(callback, path, "Events");
    ReadResult result;
    result.events = std::move(callback.Read());
    if (xml.status == XmlReadStatus::Missing) {
        result.status = Status::Missing;
    } else if (xml.status == XmlReadStatus::Failed) {
        result.status = Status::Damaged;
        result.problem = "not readable as an events file";
    } else if (!callback.Failure().empty()) {
        result.status = Status::Damaged;
        result.problem = callback.Failure();
    }
    return result;
}

bool OwEventFile::Write(const std::string& path, const std::vector<const OwEvent*>& events) {
    const DayFileCallback callback(&events);
    return COrvaXmlParser(XmlMode::Coded).Write(callback, path);
}

bool OwEventFile::SameStoredFields(const OwEvent& a, const OwEvent& b) {
    return std::all_of(kFields.begin(), kFields.end(),
                       [&](const EventField& f) { return StoredText(a, f.member) == StoredText(b, f.member); });
}

const std::array<const char*, OwEventFile::kFieldCount>& OwEventFile::ElementNames() {
    static const std::array<const char*, kFieldCount> names = [] {
        std::array<const char*, kFieldCount> n{};
        for (std::size_t i = 0; i < kFields.size(); ++i) n[i] = kFields[i].element;
        return n;
    }();
    return names;
}

}  // namespace orva
