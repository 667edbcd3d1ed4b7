#include "telescope/GuidingDialogModel.h"

#include "common/Log.h"
#include "common/Settings.h"
#include "processing/GuidingService.h"

#include <cmath>
#include <cstdio>

namespace orva {

namespace {

constexpr int kSides = 6;

int SideOf(int index) { return 2 * (16 + 4 * index); }

bool OnRightAscension(int entry) { return entry == 0 || entry == 1; }

}  // namespace

GuidingDialogModel::GuidingDialogModel(Settings& settings, GuidingService& guiding)
    : settings_(settings), guiding_(guiding) {}

std::vector<std::string> GuidingDialogModel::SizeEntries() {
    std::vector<std::string> entries;
    for (int i = 0; i < kSides; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%d x %d", SideOf(i), SideOf(i));
        entries.push_back(text);
    }
    return entries;
}

void GuidingDialogModel::Initialise() {
    const std::string& stored = settings_.GuidingDirections;
    // A damaged text (too short, a digit above 3, both on one axis) shows the default "31".
    const bool usable = stored.size() >= 2 && stored[0] >= '0' && stored[0] <= '3' && stored[1] >= '0' &&
                        stored[1] <= '3' && OnRightAscension(stored[0] - '0') != OnRightAscension(stored[1] - '0');
    up_ = usable ? stored[0] - '0' : 3;
    right_ = usable ? stored[1] - '0' : 1;
}

void GuidingDialogModel::OnSizeChange(int index) {
    if (index < 0 || index >= kSides) return;
    guiding_.radius = SideOf(index) / 2;
    settings_.GuidingTrackingRadius = SideOf(index) / 2;
    settings_.Save();
}

void GuidingDialogModel::ApplyDirections() {
    guiding_.upIsDeclination = OnRightAscension(up_) ? 0 : 1;
    guiding_.upDirection = up_ % 2 == 0 ? 1 : -1;
    guiding_.rightDirection = right_ % 2 == 0 ? 1 : -1;
}

void GuidingDialogModel::OnUpChange(int up) {
    if (up < 0 || up > 3) return;
    up_ = up;
    if (OnRightAscension(up_) == OnRightAscension(right_)) right_ = OnRightAscension(up_) ? 2 : 0;
    ApplyDirections();
    LogMessageInt("I Guiding up axis", guiding_.upIsDeclination.load());
    LogMessageInt2("I Guiding up/right dir", guiding_.upDirection.load(), guiding_.rightDirection.load());
    char text[8];
    std::snprintf(text, sizeof text, "%d%d", up_, right_);
    settings_.GuidingDirections = text;
    settings_.Save();
}

void GuidingDialogModel::OnRightChange(int right) {
    if (right < 0 || right > 3) return;
    right_ = right;
    if (OnRightAscension(up_) == OnRightAscension(right_)) up_ = OnRightAscension(right_) ? 2 : 0;
    OnUpChange(up_);
}

void GuidingDialogModel::Select() {
    guiding_.selecting = true;
    timerRunning_ = true;
}

void GuidingDialogModel::Start() {
    ApplyDirections();
    guiding_.active = true;
    timerRunning_ = true;
}

void GuidingDialogModel::Stop() { guiding_.active = false; }

void GuidingDialogModel::Reset() {
    guiding_.active = false;
    guiding_.SetTarget(0, 0);
}

void GuidingDialogModel::Tick() {
    if (!guiding_.selecting.load() && guiding_.Target() == std::make_pair(0, 0)) {
        timerRunning_ = false;
        return;
    }
    if (!guiding_.active.load()) {
        ticks_ = 0;
        return;
    }
    ticks_ = (ticks_ + 1) % 5;
    if (ticks_ != 0) return;
    const double r = guiding_.radius.load();
    const auto [cx, cy] = guiding_.Centroid();
    const double dx = cx - r;
    const double dy = cy - r;
    LogMessageInt2("I Guiding offsets (x/y *1000)", static_cast<int>(dx * 1000.0), static_cast<int>(dy * 1000.0));
    if (std::fabs(dx) < 4.0 && std::fabs(dy) < 4.0) {
        LogMessage("I Guiding offsets within limits.");
        return;
    }
    if (std::fabs(dx) >= 0.8 * r || std::fabs(dy) >= 0.8 * r) {
        LogMessage("W Guiding offsets too large, aborting.");
        guiding_.active = false;
        return;
    }
    const bool upIsDec = guiding_.upIsDeclination.load() == 1;
    if (std::fabs(dx) >= 4.0) {
        const int m = guiding_.rightDirection.load() * dx > 0 ? 1 : -1;
        (upIsDec ? guiding_.rightAscensionSteps : guiding_.declinationSteps) = m;
        LogMessageInt("I Guiding detected excess offset in x, triggering pulse", static_cast<int>(dx));
    }
    if (std::fabs(dy) >= 4.0) {
        const int m = guiding_.upDirection.load() * dy > 0 ? 1 : -1;
        (upIsDec ? guiding_.declinationSteps : guiding_.rightAscensionSteps) = m;
        LogMessageInt("I Guiding detected excess offset in y, triggering pulse", static_cast<int>(dy));
    }
}

GuidingControls GuidingDialogModel::Controls() const {
    GuidingControls c;
    const bool selecting = guiding_.selecting.load();
    const bool active = guiding_.active.load();
    c.selectEnabled = !selecting;
    c.sizeEnabled = !selecting;
    c.directionsEnabled = !selecting;
    c.startEnabled = !active && !selecting;
    c.stopEnabled = active;
    const auto [x, y] = guiding_.Target();
    const auto [cx, cy] = guiding_.Centroid();
    const double r = guiding_.radius.load();
    char text[64];
    std::snprintf(text, sizeof text, "%d / %d", x, y);
    c.targetText = text;
    std::snprintf(text, sizeof text, "%.1f / %.1f", cx - r + 0.5, cy - r + 0.5);
    c.offsetsText = text;
    c.sizeIndex = 0;
    for (int i = 0; i < kSides; ++i) {
        if (SideOf(i) / 2 == guiding_.radius.load()) c.sizeIndex = i;
    }
    c.up = up_;
    c.right = right_;
    return c;
}

}  // namespace orva
