#pragma once
// One entry of an equipment list: its name, its notes and the values of its kind's
// fields, each held in its own type. The entry converts its values to and from the list
// file's text, the dialog's text and the report's text.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orva {

enum class EquipmentFieldType {
    Text,
    Integer,    // stored in decimal
    Real,       // stored with "%f"
    Latitude,   // degrees, north positive; stored in the signed decimal form
    Longitude,  // degrees, east positive; stored in the signed decimal form
};

struct EquipmentField {
    const char* name;         // the field element's name, e.g. "Lat"
    EquipmentFieldType type;
    const char* placeholder;  // the report placeholder, e.g. "{{SITE_LATITUDE}}"
    double defaultValue;      // numeric fields: the value of a new entry or a missing element
};

class EquipmentEntry {
public:
    EquipmentEntry(std::span<const EquipmentField> fields, std::string name);

    std::string name;
    std::string notes;

    std::span<const EquipmentField> Fields() const { return fields_; }
    // The index of the field of this name; Fields().size() when there is none.
    std::size_t IndexOf(std::string_view field) const;

    // Typed values by field name. A name of another type or none gives "", 0 or 0.0.
    const std::string& Text(std::string_view field) const;
    int32_t Integer(std::string_view field) const;
    double Real(std::string_view field) const;  // Real, Latitude and Longitude fields
    // False (and no change) for a name of another type or none.
    bool SetText(std::string_view field, std::string value);
    bool SetInteger(std::string_view field, int32_t value);
    bool SetReal(std::string_view field, double value);

    // True when both would be written alike: same name, notes and values.
    bool SameContent(const EquipmentEntry& other) const {
        return name == other.name && notes == other.notes && values_ == other.values_;
    }

    // The field's text in the list file, before coding.
    std::string StoredText(std::size_t index) const;
    // Takes a value read from the list file: integers from decimal text (non-numeric
    // gives 0), doubles by decimal conversion (blanks between the sign and the digits
    // of a coordinate are accepted). Unknown names are ignored.
    void SetFromStoredText(std::string_view field, std::string_view text);

    // The text shown in the dialog and in the report: texts as they are, integers in
    // decimal, reals with "%f", latitudes as "N12 30' 00.000\"", longitudes as "E012 ...".
    std::string DisplayText(std::size_t index) const;
    // Takes what the observer typed. False (and no change) when the text is not a value
    // of the field's type: an integer, a number, or an angle within +-90 or +-180 degrees.
    bool SetFromDisplayText(std::size_t index, std::string_view text);

private:
    using Value = std::variant<std::string, int32_t, double>;

    std::span<const EquipmentField> fields_;
    std::vector<Value> values_;  // one per field, in the order of fields_
};

}  // namespace orva
