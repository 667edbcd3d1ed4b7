#pragma once
// The "Dark" and "Flat" options of the main window with their file lists and the dark
// offset: listing the calibration folder, loading the chosen FITS file (its size must be
// the camera's), and handing the frame processor a new immutable image each time, so
// that the frame it is calibrating never changes under it.
//
// Threads: GUI thread only.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orva {

struct CalibrationImage;
class Station;

class CalibrationFramesModel {
public:
    enum class Kind { Dark, Flat };

    struct Side {
        bool checked = false;
        std::vector<std::string> files;  // "" first, then the file names
        int selected = 0;
        std::string loadedPath;  // empty when none is loaded
    };

    explicit CalibrationFramesModel(Station& station);

    const Side& Get(Kind kind) const { return sides_[Index(kind)]; }
    // Checking lists the folder (or says it is missing and stays unchecked); unchecking
    // clears the frame.
    void SetChecked(Kind kind, bool checked);
    // Index into the file list; 0 (the empty entry) clears the frame. False when the
    // file could not be used (a message said why).
    bool Choose(Kind kind, int index);
    // The camera's mode changes: neither frame fits any more.
    void UncheckBoth();

    // The dark offset (pedestal), 0..65535: a clamped or unreadable entry shows the value used.
    void EditOffset(const std::string& text);
    const std::string& OffsetText() const { return offsetText_; }
    // The flat's mean as handed to the frame processor; 0 without a flat.
    uint16_t FlatAverage() const { return flatAverage_; }
    const std::shared_ptr<const CalibrationImage>& Image(Kind kind) const { return images_[Index(kind)]; }

    // Regular files of `folder` ending exactly in ".fits" or ".fit", sorted by name.
    static std::vector<std::string> ListFrames(const std::string& folder);

private:
    static std::size_t Index(Kind kind) { return kind == Kind::Dark ? 0 : 1; }
    const std::string& Folder(Kind kind) const;
    bool Load(Kind kind, const std::string& path);
    void Publish(Kind kind, std::shared_ptr<const CalibrationImage> image, uint16_t average);
    void Clear(Kind kind);

    Station& station_;
    std::array<Side, 2> sides_;
    std::array<std::shared_ptr<const CalibrationImage>, 2> images_;
    uint16_t flatAverage_ = 0;
    std::string offsetText_ = "2048";
};

}  // namespace orva
