#pragma once
// What the Camera menu's "Connect" entry shows for the current camera list: a plain
// "Camera not found", a plain "Connect <name>", or a "Connect" submenu with one entry per
// camera; and whether the entries are enabled. The GUI draws it; commands come back as
// menu ids.

#include <optional>
#include <string>
#include <vector>

namespace orva {

class ConnectMenuModel {
public:
    static constexpr int kFirstConnectId = 32831;
    static constexpr int kLastConnectId = 32840;
    static constexpr int kDisconnectId = 32773;
    static constexpr int kRestartId = 32848;

    enum class Kind { CameraNotFound, SingleCamera, Submenu };

    struct Entry {
        std::string text;
        int menuId = 0;
        bool operator==(const Entry&) const = default;
    };

    ConnectMenuModel(const std::vector<std::string>& friendlyNames, bool cameraActive);

    Kind GetKind() const { return kind_; }
    // The plain entry's text, or "Connect" for the submenu.
    const std::string& Text() const { return text_; }
    // The plain entry alone, or the submenu's entries (as many as there are menu ids).
    const std::vector<Entry>& Entries() const { return entries_; }
    bool Enabled() const { return enabled_; }

    // The list index a connect command stands for; nothing for ids outside the range.
    static std::optional<std::size_t> CameraIndexOfCommand(int menuId);

private:
    Kind kind_;
    std::string text_;
    std::vector<Entry> entries_;
    bool enabled_;
};

}  // namespace orva
