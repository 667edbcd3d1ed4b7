#pragma once
// What a recording's frames say about its timing: the frame numbers of the camera's
// timing records (gaps, repeats, restarts after the camera came back), and the exposure
// start times (increasing or not, their spacing, pauses). The inspection of every file
// format reduces its frames to this list and reads the findings from here.
//
// Pure functions; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct TimelineFrame {
    std::optional<int32_t> frameNumber;  // nothing when the frame's record cannot be read
    uint64_t startTicks = 0;             // 100-ns ticks since 0001-01-01 UTC; 0: unknown
    uint64_t endTicks = 0;               // exposure end, as startTicks
};

struct FrameNumberGap {
    std::size_t index = 0;  // the frame after the gap
    int64_t first = 0;      // the first missing frame number
    int64_t count = 0;      // missing frames
};

struct TimelineFindings {
    std::size_t frames = 0;
    std::optional<int32_t> firstNumber;
    std::optional<int32_t> lastNumber;
    // The usual step between frame numbers: 1, or n for a recording of every n-th frame.
    int64_t numberStep = 1;
    std::vector<FrameNumberGap> gaps;
    int64_t missedFrames = 0;
    std::vector<std::size_t> repeatedNumbers;  // frames carrying the number of the one before
    std::vector<std::size_t> restarts;         // frames whose number is lower than the one before
    // Frames whose own timing record could not be read: no number, or the number and time
    // of the frame before repeated (the writer keeps the last good record for them). They
    // take one frame number's place; a repeated time is left out of the time checks.
    std::vector<std::size_t> withoutRecord;

    std::size_t framesWithoutTime = 0;  // readable record, but no time stamp
    std::optional<std::size_t> firstNotIncreasing;  // a frame that does not start after the one before
    uint64_t usualSpacingTicks = 0;                 // the most frequent spacing
    uint64_t minSpacingTicks = 0;
    uint64_t maxSpacingTicks = 0;
    // Frames that start more than 1.5 usual spacings after the one before (pauses).
    std::vector<std::size_t> pauses;
};

TimelineFindings AnalyzeTimeline(const std::vector<TimelineFrame>& frames);

// "2024-06-01T22:00:00.0020000" (UTC, 100-ns digits); "unknown" for 0.
std::string FormatTicks(uint64_t ticks);
// "2.0000 ms"
std::string FormatSpacing(uint64_t ticks);

}  // namespace orva
