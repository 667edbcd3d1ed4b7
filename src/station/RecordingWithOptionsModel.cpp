#include "station/RecordingWithOptionsModel.h"

#include "common/Log.h"
#include "common/Settings.h"
#include "events/OwEventTime.h"
#include "recording/TimedRecordingSchedule.h"
#include "station/CameraPanelModel.h"
#include "station/RecordingCommandsModel.h"
#include "station/Station.h"

#include <cstdlib>

namespace orva {
namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
// A timed recording that the frames did not end this long after its duration is stopped.
constexpr int kOverrunSeconds = 3;

const char* FormatSetting(RecordingFormat format) {
    switch (format) {
        case RecordingFormat::Ser: return "SER";
        case RecordingFormat::FitsSequence: return "FITS";
        case RecordingFormat::Adv: break;
    }
    return "ADV";
}

// A whole decimal number; nothing for anything else.
std::optional<long> ParseInteger(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0') return std::nullopt;
    return value;
}

}  // namespace

RecordingWithOptionsModel::RecordingWithOptionsModel(Station& station, RecordingCommandsModel& commands,
                                                     CameraPanelModel& panel, Clock& clock,
                                                     std::function<UtcDateTime()> utcNow)
    : station_(station), commands_(commands), panel_(panel), clock_(clock), utcNow_(std::move(utcNow)) {}

int RecordingWithOptionsModel::NowSecond() const {
    const UtcDateTime now = utcNow_();
    return now.hour * 3600 + now.minute * 60 + now.second;
}

std::string RecordingWithOptionsModel::DefaultDuration() const {
    return station_.GetSettings().RecordingWithOptionsDefaultDurationSec;
}

void RecordingWithOptionsModel::Open() {
    const std::string& stored = station_.GetSettings().RecordingWithOptionsFormat;
    format = stored == "SER" ? RecordingFormat::Ser : stored == "FITS" ? RecordingFormat::FitsSequence : RecordingFormat::Adv;
    rows = {};
    rows[0].center = TimedRecordingSchedule::FormatSecondOfDay(NowSecond());
    rows[0].duration = DefaultDuration();
    nextTick_ = clock_.Now() + kTickInterval;
}

void RecordingWithOptionsModel::CopyEvents(const std::vector<UtcDateTime>& events) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        RecordingOptionsRow& row = rows[i];
        if (i >= events.size()) {
            row = {};
            continue;
        }
        const UtcDateTime& e = events[i];
        row.checked = true;
        row.center = TimedRecordingSchedule::FormatSecondOfDay(e.hour * 3600 + e.minute * 60 + e.second);
        row.duration = DefaultDuration();
        row.exposure = i == 0 ? "" : "100";
    }
}

bool RecordingWithOptionsModel::CanCopyEvents() const { return station_.Events().NextEvent() != nullptr; }

void RecordingWithOptionsModel::CopyNextEvents() {
    std::vector<UtcDateTime> times;
    for (const OwEvent* event : station_.Events().NextEvents(rows.size())) times.push_back(UtcFromEventTicks(event->EventTime));
    CopyEvents(times);
}

bool RecordingWithOptionsModel::Start() {
    IUiServices& ui = station_.Ui();
    Settings& settings = station_.GetSettings();
    LogMessage("I Start running 'recording with options'");
    settings.RecordingWithOptionsFormat = FormatSetting(format);
    settings.Save();
    frameInterval_ = 1;
    if (everyNthChecked) {
        const auto n = ParseInteger(everyNthText);
        if (!n || *n < 1 || *n > INT32_MAX) {
            ui.ShowMessage("Error", "The frame interval value is invalid. Please set the value to 1 or greater.",
                           MessageIcon::Error);
            return false;
        }
        frameInterval_ = static_cast<int32_t>(*n);
        // The recording session logs intervals above 1 itself.
        if (frameInterval_ == 1) LogMessageInt("I Recording every n-th frame:", frameInterval_);
    }
    if (rows[0].checked) {
        const auto duration = ParseInteger(rows[0].duration);
        // A recording of no time, of negative time or of a day or more has no centre.
        if (!duration || *duration < 1 || *duration > kMaxDurationSeconds) {
            ui.ShowMessage("Error", "The duration is invalid. Please provide a duration from 1 to 86399 seconds.",
                           MessageIcon::Error);
            return false;
        }
        const auto center = TimedRecordingSchedule::ParseCenterTime(rows[0].center);
        if (!center) {
            ui.ShowMessage("Error", "The start time is invalid. Please provide the start time in the format HH:MM:SS.",
                           MessageIcon::Error);
            return false;
        }
        duration_ = static_cast<int>(*duration);
        LogMessageInt("I Duration (sec):", duration_);
        startSecond_ = TimedRecordingSchedule::StartSecondOfDay(*center, duration_, NowSecond());
        referenceDelay_ = -1;
        progress_ = 0;
        state_ = State::Waiting;
    } else {
        duration_ = 0;
        if (!StartRecording()) return false;
        state_ = State::Running;
    }
    nextTick_ = clock_.Now() + kTickInterval;
    return true;
}

bool RecordingWithOptionsModel::StartRecording() {
    const uint64_t durationTicks = static_cast<uint64_t>(duration_) * kTicksPerSecond;
    if (commands_.Start(format, frameInterval_, durationTicks)) return true;
    // Nothing records: nothing is counted down either.
    Finish();
    return false;
}

void RecordingWithOptionsModel::Stop() {
    LogMessage("I Stop button pressed for 'recording with options'.");
    commands_.Stop();
    Finish();
}

void RecordingWithOptionsModel::Finish() {
    state_ = State::Idle;
    progress_ = 0;
    countdownText_.clear();
}

void RecordingWithOptionsModel::Step() {
    const Clock::TimePoint now = clock_.Now();
    while (now >= nextTick_) {
        nextTick_ += kTickInterval;
        Tick();
    }
}

void RecordingWithOptionsModel::Tick() {
    switch (state_) {
        case State::Idle: return;
        case State::Running:
            if (!commands_.IsRecording()) Finish();  // it ended on its own (a failure was shown)
            return;
        case State::Waiting: {
            const int remaining = TimedRecordingSchedule::RemainingDelay(startSecond_, NowSecond(), duration_);
            if (referenceDelay_ < 0) {
                referenceDelay_ = remaining > 0 ? remaining : 0;
                LogMessageInt("I Delay (sec):", remaining);
            }
            if (referenceDelay_ > 0) progress_ = remaining * 100 / referenceDelay_;
            countdownText_ = std::to_string(remaining > 0 ? remaining : 0) + " s";
            if (remaining <= 0) {
                if (!StartRecording()) return;
                remaining_ = duration_;
                state_ = State::Recording;
            }
            return;
        }
        case State::Recording: {
            if (!commands_.IsRecording()) {
                if (commands_.LastOutcome() == RecordingOutcome::DurationReached) {
                    LogMessage("I Recording complete, stopping.");
                    AdvanceRows();
                } else {
                    Finish();
                }
                return;
            }
            --remaining_;
            progress_ = duration_ > 0 ? 100 - (remaining_ > 0 ? remaining_ : 0) * 100 / duration_ : 0;
            countdownText_ = std::to_string(remaining_ > 0 ? remaining_ : 0) + " s";
            if (remaining_ < -kOverrunSeconds) {
                LogMessage("W Recording with options: the frames did not end the recording in time, stopping.");
                commands_.Stop();
            }
            return;
        }
    }
}

void RecordingWithOptionsModel::AdvanceRows() {
    if (!rows[1].checked && !rows[2].checked) {
        Finish();
        return;
    }
    if (rows[1].checked) {
        rows[0] = rows[1];
        rows[1] = rows[2];
        rows[2] = {};
    } else {
        rows[0] = rows[2];
        rows[1] = {};
        rows[2] = {};
    }
    rows[0].checked = true;
    const long requested = ParseInteger(rows[0].exposure).value_or(0);
    long exposure = requested;
    if (exposure < 1) {
        exposure = 1;
        LogMessageInt("W Exposure time forcing to 1, was requested to", static_cast<int>(requested));
    } else if (exposure > 5000) {
        exposure = 5000;
        LogMessageInt("W Exposure time forcing to 5000, was requested to", static_cast<int>(requested));
    }
    panel_.SetExposureTimeMillisec(static_cast<double>(exposure));
    rows[0].exposure.clear();
    state_ = State::Idle;
    if (!Start()) Finish();
}

}  // namespace orva
