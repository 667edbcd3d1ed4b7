#include "station/LiveViewOptionsModel.h"

#include "common/DecimalText.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "station/Station.h"

#include <algorithm>

namespace orva {

LiveViewOptionsModel::LiveViewOptionsModel(Station& station) : station_(station) {}

void LiveViewOptionsModel::Load() {
    const Settings& settings = station_.GetSettings();
    // A stored mode past the list (an older program's fourth mode) shows the last one.
    previewMode_ = std::min(settings.PreviewMode(), kAspectScale);
    const int zoom = settings.PreviewZoomFactor;
    zoomPercent_ = zoom >= kMinZoom && zoom <= kMaxZoom ? zoom : kDefaultZoom;
    crosshair_ = settings.CameraConfigPresent && settings.CameraConfig.crosshair != 0;
    overflow_ = settings.ShowOverflow.IsOn();
    station_.ShowOverflow(overflow_);
    ViewChanged();
}

std::string LiveViewOptionsModel::ZoomText() const { return std::to_string(zoomPercent_) + "%"; }

void LiveViewOptionsModel::SelectPreviewMode(int index) {
    if (index < 0 || index > kAspectScale) index = 0;
    previewMode_ = index;
    Settings& settings = station_.GetSettings();
    settings.PreviewModeText = std::to_string(index);
    settings.Save();
    ViewChanged();
}

void LiveViewOptionsModel::TogglePreviewMode() {
    SelectPreviewMode(previewMode_ == kAspectScale ? 1 : kAspectScale);
}

LiveViewOptionsModel::EditResult LiveViewOptionsModel::EnterZoom(const std::string& text) {
    std::string value = text;
    if (value.empty() || value.back() != '%') value += '%';
    const int percent = DecimalToInt(value);
    if (percent < kMinZoom || percent > kMaxZoom) {
        ApplyZoom(kDefaultZoom);
        return EditResult::Replaced;
    }
    ApplyZoom(percent);
    return EditResult::Applied;
}

void LiveViewOptionsModel::StepZoom(int direction) {
    if (direction > 0) {
        const auto next = std::upper_bound(kZoomPercents.begin(), kZoomPercents.end(), zoomPercent_);
        if (next != kZoomPercents.end()) ApplyZoom(*next);
    } else if (direction < 0) {
        const auto next = std::lower_bound(kZoomPercents.begin(), kZoomPercents.end(), zoomPercent_);
        if (next != kZoomPercents.begin()) ApplyZoom(*(next - 1));
    }
}

void LiveViewOptionsModel::ApplyZoom(int percent) {
    if (percent != zoomPercent_) {
        zoomPercent_ = percent;
        // Every zoom the box accepts is kept: the list offers up to 800 %.
        Settings& settings = station_.GetSettings();
        settings.PreviewZoomFactor = percent;
        settings.Save();
    }
    ViewChanged();
}

void LiveViewOptionsModel::SetCrosshair(bool on) {
    LogMessageInt("I MainForm: show crosshair overlay:", on ? 1 : 0);
    crosshair_ = on;
    Settings& settings = station_.GetSettings();
    settings.CameraConfig.crosshair = on ? 1 : 0;
    settings.CameraConfigPresent = true;
    settings.Save();
    ViewChanged();
}

void LiveViewOptionsModel::SetOverflow(bool on) {
    LogMessageInt("I MainForm: show pixel overflow:", on ? 1 : 0);
    overflow_ = on;
    station_.ShowOverflow(on);
    Settings& settings = station_.GetSettings();
    settings.ShowOverflow.Set(on);
    settings.Save();
}

void LiveViewOptionsModel::ViewChanged() {
    if (onViewChanged) onViewChanged();
}

}  // namespace orva
