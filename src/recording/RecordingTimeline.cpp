#include "recording/RecordingTimeline.h"

#include "common/UtcTime.h"

#include <cstdio>
#include <map>

namespace orva {
namespace {

constexpr uint64_t kTicksAtUnixEpoch = 621355968000000000ULL;
constexpr uint64_t kTicksPerMs = 10000;

}  // namespace

TimelineFindings AnalyzeTimeline(const std::vector<TimelineFrame>& frames) {
    TimelineFindings f;
    f.frames = frames.size();

    // Frames without a record of their own.
    std::vector<bool> readable(frames.size(), true);
    std::vector<bool> stale(frames.size(), false);  // its time is the frame before's
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const TimelineFrame& t = frames[i];
        stale[i] = i > 0 && t.startTicks != 0 && t.startTicks == frames[i - 1].startTicks &&
                   (!t.frameNumber || t.frameNumber == frames[i - 1].frameNumber);
        if (!t.frameNumber || stale[i]) {
            readable[i] = false;
            f.withoutRecord.push_back(i);
        }
    }

    // Frame numbers: the usual step first, so that every n-th frame is no gap. A
    // recording of every n-th frame steps by n nearly always; a few steps prove nothing.
    std::map<int64_t, std::size_t> steps;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        if (readable[i] && readable[i - 1]) {
            const int64_t step = int64_t{*frames[i].frameNumber} - *frames[i - 1].frameNumber;
            if (step > 0) ++steps[step];
        }
    }
    std::size_t best = 0;
    std::size_t total = 0;
    int64_t usual = 1;
    for (const auto& [step, count] : steps) {
        total += count;
        if (count > best) {
            best = count;
            usual = step;
        }
    }
    if (best >= 2 && best * 2 > total) f.numberStep = usual;
    std::optional<int32_t> previous;
    int64_t unreadableSince = 0;  // frames without a record since the previous number
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (!readable[i]) {
            ++unreadableSince;
            continue;
        }
        const int32_t number = *frames[i].frameNumber;
        if (!f.firstNumber) f.firstNumber = number;
        f.lastNumber = number;
        if (previous) {
            const int64_t step = int64_t{number} - *previous;
            if (step == 0) {
                f.repeatedNumbers.push_back(i);
            } else if (step < 0) {
                f.restarts.push_back(i);
            } else if (step > f.numberStep) {
                const int64_t missing = (step - 1) / f.numberStep - unreadableSince;
                if (missing > 0) {
                    f.gaps.push_back({i, *previous + f.numberStep * (unreadableSince + 1), missing});
                    f.missedFrames += missing;
                }
            }
        }
        previous = number;
        unreadableSince = 0;
    }

    // Exposure starts.
    std::map<uint64_t, std::size_t> spacings;
    uint64_t previousStart = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const uint64_t start = frames[i].startTicks;
        if (stale[i]) continue;
        if (start == 0) {
            ++f.framesWithoutTime;
            continue;
        }
        if (previousStart != 0) {
            if (start <= previousStart) {
                if (!f.firstNotIncreasing) f.firstNotIncreasing = i;
            } else {
                const uint64_t spacing = start - previousStart;
                ++spacings[spacing];
                if (f.minSpacingTicks == 0 || spacing < f.minSpacingTicks) f.minSpacingTicks = spacing;
                if (spacing > f.maxSpacingTicks) f.maxSpacingTicks = spacing;
            }
        }
        previousStart = start;
    }
    best = 0;
    for (const auto& [spacing, count] : spacings) {
        if (count > best) {
            best = count;
            f.usualSpacingTicks = spacing;
        }
    }
    previousStart = 0;
    for (std::size_t i = 0; i < frames.size() && f.usualSpacingTicks != 0; ++i) {
        const uint64_t start = frames[i].startTicks;
        if (stale[i] || start == 0) continue;
        if (previousStart != 0 && start > previousStart && (start - previousStart) * 2 > f.usualSpacingTicks * 3) {
            f.pauses.push_back(i);
        }
        previousStart = start;
    }
    return f;
}

std::string FormatTicks(uint64_t ticks) {
    if (ticks == 0) return "unknown";
    const int64_t sinceEpoch = static_cast<int64_t>(ticks - kTicksAtUnixEpoch);
    // Floor division, so that times before 1970 keep positive sub-millisecond digits.
    int64_t ms = sinceEpoch / static_cast<int64_t>(kTicksPerMs);
    int64_t rest = sinceEpoch % static_cast<int64_t>(kTicksPerMs);
    if (rest < 0) {
        rest += kTicksPerMs;
        --ms;
    }
    const UtcDateTime t = UtcFromUnixMilliseconds(ms);
    char text[64];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03d%04d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond, static_cast<int>(rest));
    return text;
}

std::string FormatSpacing(uint64_t ticks) {
    char text[48];
    std::snprintf(text, sizeof(text), "%llu.%04llu ms", static_cast<unsigned long long>(ticks / kTicksPerMs),
                  static_cast<unsigned long long>(ticks % kTicksPerMs));
    return text;
}

}  // namespace orva
