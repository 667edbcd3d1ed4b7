#include "display/HistogramControlModel.h"

#include "processing/ThreadSafeDoubleBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>

namespace orva {
namespace {

constexpr int kHandleSize = 10;
constexpr int kMargin = 4;

}  // namespace

HistogramControlModel::HistogramControlModel(LookupTableSlot& slot)
    : slot_(slot),
      background_(CHistogramDragger::Orientation::Horizontal, 0, kHandleSize, kHandleSize),
      white_(CHistogramDragger::Orientation::Horizontal, 65535, kHandleSize, kHandleSize),
      midtone_(CHistogramDragger::Orientation::Vertical, 32767, kHandleSize, kHandleSize) {
    SetSize(256, 128);
    UpdateLookupTable();
}

void HistogramControlModel::SetSize(int width, int height) {
    graphLeft_ = kMargin;
    graphTop_ = kMargin;
    graphRight_ = std::max(graphLeft_, width - kMargin - kHandleSize);
    graphBottom_ = std::max(graphTop_, height - kMargin - kHandleSize);
    background_.SetTrack(graphLeft_, graphTop_, graphRight_, graphBottom_);
    white_.SetTrack(graphLeft_, graphTop_, graphRight_, graphBottom_);
    midtone_.SetTrack(graphLeft_, graphTop_, graphRight_, graphBottom_);
}

bool HistogramControlModel::FetchHistogram(ThreadSafeDoubleBuffer& buffer) {
    if (!buffer.FetchNewData()) return false;
    SetHistogram(buffer.GetReadBuffer());
    if (origin_ == LevelsOrigin::User) return true;
    const auto levels = DisplayStretch::StarFieldLevels(bins_.data());
    if (!levels) return true;
    // Moved by more than a quarter of the span (background) or half of it (white): not
    // noise, nor a star that fades, but a new picture.
    const int span = white_.Value() - background_.Value();
    const bool changed = std::abs(levels->background - background_.Value()) > span / 4 ||
                         std::abs(levels->white - white_.Value()) > span / 2;
    if (origin_ == LevelsOrigin::Initial || changed) {
        ApplyLevels(levels->background, levels->white);
        origin_ = LevelsOrigin::Automatic;
    }
    return true;
}

void HistogramControlModel::SetHistogram(const uint64_t* bins) {
    std::copy(bins, bins + DisplayStretch::kBins, bins_.begin());
    total_ = 0;
    largest_ = 0;
    for (int k = 1; k < DisplayStretch::kBins - 1; ++k) {
        total_ += bins_[static_cast<std::size_t>(k)];
        largest_ = std::max(largest_, bins_[static_cast<std::size_t>(k)]);
    }
}

int HistogramControlModel::BarHeight(int bin, int graphHeight) const {
    if (largest_ == 0 || graphHeight <= kHeadroom) return 0;
    const uint64_t scaled =
        bins_[static_cast<std::size_t>(bin)] * static_cast<uint64_t>(graphHeight - kHeadroom) / largest_;
    return static_cast<int>(std::min<uint64_t>(scaled, static_cast<uint64_t>(graphHeight)));
}

bool HistogramControlModel::MousePress(int x, int y, Button button, bool shift) {
    for (CHistogramDragger* handle : {&midtone_, &white_, &background_}) {
        if (handle->HandleRect().Contains(x, y)) {
            handle->SetDragging(true);
            return false;
        }
    }
    if (x < graphLeft_ || x > graphRight_ || y < graphTop_ || y > graphBottom_) return false;
    if (button == Button::Right || shift) {
        MoveWhite(white_.LevelAt(x, y));
    } else {
        MoveBackground(background_.LevelAt(x, y));
    }
    return true;
}

bool HistogramControlModel::MouseMove(int x, int y) {
    if (background_.IsDragging()) {
        MoveBackground(background_.LevelAt(x, y));
    } else if (white_.IsDragging()) {
        MoveWhite(white_.LevelAt(x, y));
    } else if (midtone_.IsDragging()) {
        MoveMidtone(midtone_.LevelAt(x, y));
    } else {
        return false;
    }
    return true;
}

void HistogramControlModel::MouseRelease() {
    background_.SetDragging(false);
    white_.SetDragging(false);
    midtone_.SetDragging(false);
}

void HistogramControlModel::MoveBackground(int level) {
    origin_ = LevelsOrigin::User;
    background_.SetMaximum(white_.Value());
    background_.SetValue(level);
    white_.SetMinimum(background_.Value());
    UpdateLookupTable();
}

void HistogramControlModel::MoveWhite(int level) {
    origin_ = LevelsOrigin::User;
    white_.SetMinimum(background_.Value());
    white_.SetValue(level);
    background_.SetMaximum(white_.Value());
    UpdateLookupTable();
}

void HistogramControlModel::MoveMidtone(int level) {
    origin_ = LevelsOrigin::User;
    midtone_.SetValue(level);
    UpdateLookupTable();
}

bool HistogramControlModel::AutoStretch(double percent) {
    const auto levels = DisplayStretch::AutoLevels(bins_.data(), percent);
    if (!levels) return false;
    SetLevels(levels->background, levels->white);
    midtone_.SetValue(32767);
    UpdateLookupTable();
    return true;
}

void HistogramControlModel::SetLevels(int background, int white) {
    origin_ = LevelsOrigin::User;
    ApplyLevels(background, white);
}

void HistogramControlModel::ApplyLevels(int background, int white) {
    // Opened first so that the new pair is not clamped by the old one.
    background_.SetMinimum(0);
    background_.SetMaximum(65535);
    white_.SetMinimum(0);
    white_.SetMaximum(65535);
    background_.SetValue(background);
    white_.SetValue(white);
    background_.SetMaximum(white_.Value());
    white_.SetMinimum(background_.Value());
    UpdateLookupTable();
}

void HistogramControlModel::MirrorLevels(bool invert) {
    if (invert == invert_) return;
    invert_ = invert;
    const int top = white_.Maximum();
    const int oldBackground = background_.Value();
    const int oldWhite = white_.Value();
    ApplyLevels(top - oldWhite, top - oldBackground);
}

StretchLevels HistogramControlModel::Levels() const {
    return {background_.Value(), white_.Value(), midtone_.Value(), midtone_.Maximum()};
}

void HistogramControlModel::UpdateLookupTable() {
    auto table = std::make_shared<DisplayStretch::LookupTable>();
    DisplayStretch::Build(Levels(), *table, curve_);
    table_ = table;
    slot_.Publish(table_);
}

std::string HistogramControlModel::LevelsText() const {
    char text[32];
    std::snprintf(text, sizeof(text), "%d - %d", background_.Value(), white_.Value());
    return text;
}

}  // namespace orva
