#include "equipment/EquipmentEntry.h"

#include "common/DecimalText.h"
#include "common/TextFormats.h"

#include <charconv>
#include <cmath>

namespace orva {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The signed decimal form puts the field's padding between the sign and the digits
// ("-   12.50000000"), which a plain decimal conversion reads as 0.
double ReadSignedDecimal(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const double magnitude = DecimalToDouble(text);  // skips the blanks after the sign
    return negative ? -magnitude : magnitude;
}

template <typename Number>
bool ParseWhole(std::string_view text, Number& out) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
    out = value;
    return true;
}

bool IsNumeric(EquipmentFieldType type) { return type != EquipmentFieldType::Text; }

}  // namespace

EquipmentEntry::EquipmentEntry(std::span<const EquipmentField> fields, std::string entryName)
    : name(std::move(entryName)), fields_(fields) {
    values_.reserve(fields.size());
    for (const auto& field : fields) {
        if (field.type == EquipmentFieldType::Text) {
            values_.emplace_back(std::string());
        } else if (field.type == EquipmentFieldType::Integer) {
            values_.emplace_back(static_cast<int32_t>(field.defaultValue));
        } else {
            values_.emplace_back(field.defaultValue);
        }
    }
}

std::size_t EquipmentEntry::IndexOf(std::string_view field) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (field == fields_[i].name) return i;
    }
    return fields_.size();
}

const std::string& EquipmentEntry::Text(std::string_view field) const {
    static const std::string kNone;
    const std::size_t i = IndexOf(field);
    if (i == fields_.size()) return kNone;
    const auto* text = std::get_if<std::string>(&values_[i]);
    return text != nullptr ? *text : kNone;
}

int32_t EquipmentEntry::Integer(std::string_view field) const {
    const std::size_t i = IndexOf(field);
    if (i == fields_.size()) return 0;
    const auto* value = std::get_if<int32_t>(&values_[i]);
    return value != nullptr ? *value : 0;
}

double EquipmentEntry::Real(std::string_view field) const {
    const std::size_t i = IndexOf(field);
    if (i == fields_.size()) return 0.0;
    const auto* value = std::get_if<double>(&values_[i]);
    return value != nullptr ? *value : 0.0;
}

bool EquipmentEntry::SetText(std::string_view field, std::string value) {
    const std::size_t i = IndexOf(field);
    if (i == fields_.size() || !std::holds_alternative<std::string>(values_[i])) return false;
    values_[i] = std::move(value);
    return true;
}

bool EquipmentEntry::SetInteger(std::string_view field, int32_t value) {
    const std::size_t i = IndexOf(field);
    if (i == fields_.size() || !std::holds_alternative<int32_t>(values_[i])) return false;
    values_[i] = value;
    return true;
}

bool EquipmentEntry::SetReal(std::string_view field, double value) {
    const std::size_t i = IndexOf(field);
    if (i == fields_.size() || !std::holds_alternative<double>(values_[i]) || !std::isfinite(value)) return false;
    values_[i] = value;
    return true;
}

std::string EquipmentEntry::StoredText(std::size_t index) const {
    const Value& value = values_[index];
    switch (fields_[index].type) {
        case EquipmentFieldType::Text:
            return std::get<std::string>(value);
        case EquipmentFieldType::Integer:
            return std::to_string(std::get<int32_t>(value));
        case EquipmentFieldType::Real:
            return FormatFixed(std::get<double>(value), 6);
        case EquipmentFieldType::Latitude:
        case EquipmentFieldType::Longitude:
            return FormatSignedDecimal(std::get<double>(value));
    }
    return {};
}

void EquipmentEntry::SetFromStoredText(std::string_view field, std::string_view text) {
    const std::size_t i = IndexOf(field);
    if (i == fields_.size()) return;
    switch (fields_[i].type) {
        case EquipmentFieldType::Text:
            values_[i] = std::string(text);
            break;
        case EquipmentFieldType::Integer:
            values_[i] = static_cast<int32_t>(DecimalToInt(text));
            break;
        case EquipmentFieldType::Real:
            values_[i] = DecimalToDouble(text);
            break;
        case EquipmentFieldType::Latitude:
        case EquipmentFieldType::Longitude:
            values_[i] = ReadSignedDecimal(text);
            break;
    }
}

std::string EquipmentEntry::DisplayText(std::size_t index) const {
    switch (fields_[index].type) {
        case EquipmentFieldType::Latitude:
            return FormatAngle(std::get<double>(values_[index]), 'N', 'S', false);
        case EquipmentFieldType::Longitude:
            return FormatAngle(std::get<double>(values_[index]), 'E', 'W', true);
        default:
            return StoredText(index);
    }
}

bool EquipmentEntry::SetFromDisplayText(std::size_t index, std::string_view text) {
    const EquipmentFieldType type = fields_[index].type;
    if (!IsNumeric(type)) {
        values_[index] = std::string(text);
        return true;
    }
    if (type == EquipmentFieldType::Integer) {
        int32_t number = 0;
        if (!ParseWhole(text, number)) return false;
        values_[index] = number;
        return true;
    }
    if (type == EquipmentFieldType::Real) {
        double number = 0.0;
        if (!ParseWhole(text, number) || !std::isfinite(number)) return false;
        values_[index] = number;
        return true;
    }
    const std::optional<double> angle = ParseAngle(text);
    const double limit = type == EquipmentFieldType::Latitude ? 90.0 : 180.0;
    if (!angle || !std::isfinite(*angle) || std::fabs(*angle) > limit) return false;
    values_[index] = *angle;
    return true;
}

}  // namespace orva
