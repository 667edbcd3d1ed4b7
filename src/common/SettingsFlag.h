#pragma once
// A yes/no setting. The file stores it as "TRUE" or "FALSE"; a key that is empty (or
// holds anything else) is neither, and the reader chooses what that means, so a value
// written by another version is kept as it was until the station sets it.

#include <optional>
#include <string>

namespace orva {

class SettingsFlag {
public:
    SettingsFlag() = default;
    explicit SettingsFlag(std::string text) : text_(std::move(text)) {}

    // True only for "TRUE": an empty or unknown value is off.
    bool IsOn() const { return text_ == "TRUE"; }
    // Set on or off; none when the file leaves it open.
    std::optional<bool> Value() const;
    void Set(bool on) { text_ = on ? "TRUE" : "FALSE"; }
    // Leaves it open again (empty).
    void Clear() { text_.clear(); }

    // The text as stored.
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }

private:
    std::string text_;
};

}  // namespace orva
