#include "camera/ConnectMenuModel.h"

namespace orva {

ConnectMenuModel::ConnectMenuModel(const std::vector<std::string>& names, bool cameraActive)
    : enabled_(!names.empty() && !cameraActive) {
    if (names.empty()) {
        kind_ = Kind::CameraNotFound;
        text_ = "Camera not found";
        entries_.push_back({text_, kFirstConnectId});
    } else if (names.size() == 1) {
        kind_ = Kind::SingleCamera;
        text_ = "Connect " + names.front();
        entries_.push_back({text_, kFirstConnectId});
    } else {
        kind_ = Kind::Submenu;
        text_ = "Connect";
        // Cameras beyond the last id could not be connected: they are not offered.
        for (std::size_t i = 0; i < names.size() && kFirstConnectId + static_cast<int>(i) <= kLastConnectId; ++i) {
            entries_.push_back({names[i], kFirstConnectId + static_cast<int>(i)});
        }
    }
}

std::optional<std::size_t> ConnectMenuModel::CameraIndexOfCommand(int menuId) {
    if (menuId < kFirstConnectId || menuId > kLastConnectId) return std::nullopt;
    return static_cast<std::size_t>(menuId - kFirstConnectId);
}

}  // namespace orva
