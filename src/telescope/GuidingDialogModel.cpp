#include "telescope/GuidingDialogModel.h"

#include "common/Log.h"
#include "common/Settings.h"
#include "processing/GuidingService.h"
#include "telescope/GuidingCorrector.h"

#include <cstdio>
#include <string>

namespace orva {

namespace {

constexpr int kSides = 6;

int SideOf(int index) { return 2 * (16 + 4 * index); }

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

void GuidingDialogModel::Initialise() { directions_ = GuidingDirections::FromSetting(settings_.GuidingDirections); }

void GuidingDialogModel::OnSizeChange(int index) {
    if (index < 0 || index >= kSides) return;
    guiding_.radius = SideOf(index) / 2;
    settings_.GuidingTrackingRadius = SideOf(index) / 2;
    settings_.Save();
}

void GuidingDialogModel::OnUpChange(int up) {
    if (up < 0 || up > 3) return;
    GuidingDirections& d = directions_;
    d.up = up;
    if (GuidingDirections::OnRightAscension(d.up) == GuidingDirections::OnRightAscension(d.right)) {
        d.right = GuidingDirections::OnRightAscension(d.up) ? 2 : 0;
    }
    d.ApplyTo(guiding_);
    LogMessageInt("I Guiding up axis", guiding_.upIsDeclination.load());
    LogMessageInt2("I Guiding up/right dir", guiding_.upDirection.load(), guiding_.rightDirection.load());
    settings_.GuidingDirections = d.SettingText();
    settings_.Save();
}

void GuidingDialogModel::OnRightChange(int right) {
    if (right < 0 || right > 3) return;
    GuidingDirections& d = directions_;
    d.right = right;
    if (GuidingDirections::OnRightAscension(d.up) == GuidingDirections::OnRightAscension(d.right)) {
        d.up = GuidingDirections::OnRightAscension(d.right) ? 2 : 0;
    }
    OnUpChange(d.up);
}

void GuidingDialogModel::Select() {
    guiding_.selecting = true;
    timerRunning_ = true;
}

void GuidingDialogModel::Start() {
    directions_.ApplyTo(guiding_);
    guiding_.active = true;
    timerRunning_ = true;
}

void GuidingDialogModel::Stop() { guiding_.active = false; }

void GuidingDialogModel::Reset() {
    guiding_.active = false;
    guiding_.SetTarget(0, 0);
}

void GuidingDialogModel::Tick() {
    if (!guiding_.selecting.load() && guiding_.Target() == std::make_pair(0, 0)) timerRunning_ = false;
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
    // What the mount really gets: the corrector's timed pulse, not a 200-ms move.
    c.correctionPushText = std::to_string(GuidingCorrector::kGuidePulseMs);
    c.sizeIndex = 0;
    for (int i = 0; i < kSides; ++i) {
        if (SideOf(i) / 2 == guiding_.radius.load()) c.sizeIndex = i;
    }
    c.up = directions_.up;
    c.right = directions_.right;
    return c;
}

}  // namespace orva
