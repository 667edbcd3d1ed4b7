// Recording from the main window over the station and the simulated camera in real time:
// a dark frame captured through its dialog, chosen and applied to what is recorded; an
// ADV with zones; the timed "Recording with Options"; captures and recordings that fail
// or run out of disk space end cleanly and say so.

#include "station/CalibrationFramesModel.h"
#include "station/CameraPanelModel.h"
#include "station/FitsCaptureModel.h"
#include "station/RecordingCommandsModel.h"
#include "station/RecordingWithOptionsModel.h"

#include "events/OwEventTime.h"
#include "processing/CalibrationImage.h"
#include "recording/AdvReader.h"
#include "recording/FitsWriter.h"
#include "recording/RecordingInspector.h"
#include "recording/SerReader.h"
#include "station/SimulatedStation.h"

#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <filesystem>


#include <algorithm>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

// 176 x 128 at 5 ms: 200 frames a second.
const StationCameraSettings kFastMode{2, 5.0, 0, 0, 0};

// Calls `step` as the window's timer would until `done`, in real time (frames must flow).
template <typename Step, typename Done>
bool RunUntil(Step step, Done done, std::chrono::seconds limit = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        step();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The station with its panel, streaming; the models' timers follow `clock`.
struct Window {
    Window() {
        std::string error;
        connected = rig.station->Connect(rig.cameraDevice->SymbolicLink(), error);
        panel.Tick();
        panel.StartStreaming();
        connected = connected && rig.station->IsStreaming() && rig.WaitForFrames(3);
    }

    test::SimulatedStation rig{kFastMode};
    test::ManualClock clock;
    CameraPanelModel panel{*rig.station, rig.center, &clock};
    bool connected = false;
};

TEST(WindowRecording, DarkFrameCapturedChosenAndSubtractedFromAnAdvWithZones) {
    Window w;
    ASSERT_TRUE(w.connected);
    w.rig.settings.DarkFlatDelaySeconds = 1;
    w.panel.SetPcTime(true);
    w.panel.SetPps(true);

    FitsCaptureModel capture(*w.rig.station, w.panel, w.clock);
    ASSERT_TRUE(capture.Capture('D'));
    EXPECT_FALSE(capture.CanCapture('F')) << "one dark/flat dialog at a time";
    DarkFlatDialogModel* dialog = capture.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Title(), "Create Dark Frame Image");
    EXPECT_EQ(dialog->DelayText(), "Insert 1 second delay before recording.");
    // Nothing may be burnt into a dark frame while it is taken.
    EXPECT_EQ(w.panel.State().overlayIndex, 1);
    EXPECT_FALSE(w.panel.State().pcTime);
    EXPECT_FALSE(w.rig.cameraDevice->Device().State().ppsMarker);
    EXPECT_EQ(w.rig.cameraDevice->Device().State().OverlayMode(), 1);

    for (const char* wrong : {"0", "257", "x"}) {
        dialog->framesText = wrong;
        EXPECT_FALSE(dialog->Start()) << wrong;
    }
    EXPECT_EQ(w.rig.ui.messages.back().text, "The number of frames needs to be in the range from 1 to 256.");
    dialog->framesText = "16";
    ASSERT_TRUE(dialog->Start());
    EXPECT_FALSE(dialog->InputsEnabled());
    w.clock.Advance(500ms);
    capture.Step();
    EXPECT_EQ(dialog->CountdownText(), "0 s");
    w.clock.Advance(500ms);
    ASSERT_TRUE(RunUntil([&] { capture.Step(); }, [&] { return !capture.Busy(); }));
    ASSERT_EQ(capture.LastResult(), FitsCaptureModel::Result::Written);
    EXPECT_EQ(capture.Dialog(), nullptr) << "closed when the file is written";
    EXPECT_EQ(w.panel.State().overlayIndex, 0);
    EXPECT_TRUE(w.panel.State().pcTime);
    EXPECT_TRUE(w.rig.cameraDevice->Device().State().ppsMarker);
    EXPECT_EQ(w.rig.cameraDevice->Device().State().OverlayMode(), 0);

    std::string error;
    const auto dark = RecordingInspector::Inspect(capture.Path(), error);
    ASSERT_TRUE(dark) << error;
    EXPECT_NE(std::find(dark->notes.begin(), dark->notes.end(), "average of 16 frames"), dark->notes.end());

    // Chosen as the dark frame; the offset (pedestal) is what dark pixels become.
    w.panel.SetPcTime(false);
    CalibrationFramesModel calibration(*w.rig.station);
    calibration.SetChecked(CalibrationFramesModel::Kind::Dark, true);
    const auto& side = calibration.Get(CalibrationFramesModel::Kind::Dark);
    ASSERT_EQ(side.files.size(), 2u);
    EXPECT_EQ(side.files[0], "");
    ASSERT_TRUE(calibration.Choose(CalibrationFramesModel::Kind::Dark, 1));
    const auto darkImage = calibration.Image(CalibrationFramesModel::Kind::Dark);
    ASSERT_NE(darkImage, nullptr);
    ASSERT_TRUE(w.rig.WaitForFrames(3));

    RecordingCommandsModel commands(*w.rig.station);
    const std::vector<AdvRegion> zones{{10, 10, 40, 30}, {70, 40, 40, 40}};
    commands.zones = [&zones] { return zones; };
    ASSERT_TRUE(commands.CanStart());
    ASSERT_TRUE(commands.Start(RecordingFormat::Adv));
    EXPECT_FALSE(commands.CanStart());
    ASSERT_TRUE(w.rig.WaitForFrames(20));
    commands.Stop();
    ASSERT_TRUE(RunUntil([&] { commands.Step(); }, [&] { return !commands.IsRecording(); }));
    EXPECT_EQ(commands.LastOutcome(), RecordingOutcome::StoppedByUser);
    const std::string path = commands.Session()->RecordingPath();

    const auto adv = RecordingInspector::Inspect(path, error);
    ASSERT_TRUE(adv) << error;
    EXPECT_FALSE(RecordingInspector::Unsound(*adv, AnalyzeTimeline(adv->frames)));
    EXPECT_GE(adv->frames.size(), 19u);
    EXPECT_NE(std::find(adv->notes.begin(), adv->notes.end(),
                        "regions of interest: 3 (10,10 40x30; 70,40 40x40; 0,127 176x1)"),
              adv->notes.end());

    // The recorded pixels are the dark-subtracted ones: stars, hot pixels and the row
    // pattern of the dark are gone, the sky sits at the pedestal.
    AdvReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.Error();
    AdvFrame frame;
    ASSERT_TRUE(reader.ReadFrame(0, frame)) << reader.Error();
    const int width = 176;
    const int height = 128;
    ASSERT_EQ(frame.pixels.size(), static_cast<std::size_t>(width * height));
    int64_t darkSum = 0;
    int farFromPedestal = 0;
    for (int y = 0; y < height - 1; ++y) {
        for (int x = 0; x < width; ++x) {
            darkSum += darkImage->pixels[y * width + x];
            if (std::abs(static_cast<int>(frame.pixels[y * width + x]) - 2048) > 800) ++farFromPedestal;
        }
    }
    EXPECT_LT(darkSum / (width * (height - 1)), 2048 - 800) << "a frame without the dark would fail the check below";
    EXPECT_EQ(farFromPedestal, 0);
}

TEST(WindowRecording, CalibrationFramesAreCheckedBeforeUse) {
    Window w;
    ASSERT_TRUE(w.connected);
    const std::string flats = w.rig.settings.FlatFramesDirectory;
    const auto writeFits = [](const std::string& path, int width, int height, uint16_t value) {
        FitsWriter writer(path);
        writer.GetHeaderData().SetNaxis1(width);
        writer.GetHeaderData().SetNaxis2(height);
        writer.GetHeaderData().SetBitpix(16);
        const std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * height, value);
        writer.WriteFile(pixels.data());
    };
    writeFits(flats + "/a_black.fits", 176, 128, 0);
    writeFits(flats + "/b_small.fit", 64, 48, 1000);
    writeFits(flats + "/c_good.fits", 176, 128, 30000);
    test::WriteFile(flats + "/d_corrupt.fits", "SIMPLE  =                    T");
    test::WriteFile(flats + "/e_other.FITS", "");
    test::WriteFile(flats + "/notes.txt", "");

    CalibrationFramesModel calibration(*w.rig.station);
    const auto kind = CalibrationFramesModel::Kind::Flat;
    calibration.SetChecked(kind, true);
    const std::vector<std::string> expected{"", "a_black.fits", "b_small.fit", "c_good.fits", "d_corrupt.fits"};
    ASSERT_EQ(calibration.Get(kind).files, expected);

    struct Case {
        int index;
        bool used;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {1, false, "Error", "The selected flat frame is black (its average is 0) and cannot be used."},
        {2, false, "Frame size mismatch",
         "The dimensions of the selected frame (64 x 48) are different from the dimensions of the active camera "
         "frame (176 x 128). Please select a frame with the correct dimensions or change the camera resolution."},
        {4, false, "Error", "The selected FITS file is corrupted."},
        {3, true, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const std::size_t messages = w.rig.ui.messages.size();
        EXPECT_EQ(calibration.Choose(kind, c.index), c.used);
        if (c.title == nullptr) {
            EXPECT_EQ(w.rig.ui.messages.size(), messages);
            continue;
        }
        ASSERT_EQ(w.rig.ui.messages.size(), messages + 1);
        EXPECT_EQ(w.rig.ui.messages.back().title, c.title);
        EXPECT_EQ(w.rig.ui.messages.back().text, c.text);
        EXPECT_EQ(calibration.Get(kind).selected, 0);
    }
    EXPECT_EQ(calibration.FlatAverage(), 30000);
    // Each load is a new image: the one the frame path holds is never written to.
    const auto first = calibration.Image(kind);
    ASSERT_TRUE(calibration.Choose(kind, 3));
    EXPECT_NE(calibration.Image(kind), first);
    EXPECT_EQ(first->pixels[0], 30000);

    std::filesystem::remove(flats + "/c_good.fits");
    EXPECT_FALSE(calibration.Choose(kind, 3));
    EXPECT_EQ(w.rig.ui.messages.back().title, "Flat frame not found");
    EXPECT_FALSE(calibration.Get(kind).checked);
    EXPECT_EQ(calibration.Image(kind), nullptr);

    w.rig.settings.DarkFramesDirectory = w.rig.dir.File("missing");
    calibration.SetChecked(CalibrationFramesModel::Kind::Dark, true);
    EXPECT_FALSE(calibration.Get(CalibrationFramesModel::Kind::Dark).checked);
    EXPECT_EQ(w.rig.ui.messages.back().title, "Dark frames directory not found");
}

// A capture whose file cannot be written ends, restores the controls and says why,
// instead of leaving its dialog open for ever.
TEST(WindowRecording, FailedOrStrandedCapturesComplete) {
    Window w;
    ASSERT_TRUE(w.connected);
    w.panel.SetPcTime(true);
    FitsCaptureModel capture(*w.rig.station, w.panel, w.clock);

    std::filesystem::permissions(w.rig.settings.FitsDirectory, std::filesystem::perms::owner_read |
                                                                   std::filesystem::perms::owner_exec);
    const bool writable = access(w.rig.settings.FitsDirectory.c_str(), W_OK) == 0;  // root writes anyway
    if (!writable) {
        ASSERT_TRUE(capture.Capture(0));
        ASSERT_TRUE(RunUntil([&] { capture.Step(); }, [&] { return !capture.Busy(); }));
        EXPECT_EQ(capture.LastResult(), FitsCaptureModel::Result::Failed);
        EXPECT_EQ(w.rig.ui.messages.back().title, "Error");
        EXPECT_TRUE(w.panel.State().pcTime);
    }
    std::filesystem::permissions(w.rig.settings.FitsDirectory, std::filesystem::perms::owner_all);

    // The stream stops under a dark capture that waits for its frames.
    w.rig.settings.DarkFlatDelaySeconds = 0;
    ASSERT_TRUE(capture.Capture('D'));
    ASSERT_TRUE(capture.Dialog()->Start());
    w.clock.Advance(500ms);
    capture.Step();
    w.rig.station->StopStreaming();
    capture.Step();
    EXPECT_FALSE(capture.Busy());
    EXPECT_EQ(capture.LastResult(), FitsCaptureModel::Result::Failed);
    EXPECT_EQ(w.rig.ui.messages.back().text, "The FITS capture failed: The camera stopped streaming.");
    EXPECT_TRUE(w.panel.State().pcTime);

    // Cancelled during the countdown: completes at once.
    ASSERT_TRUE(w.rig.station->StartStreaming());
    ASSERT_TRUE(capture.Capture('F'));
    ASSERT_TRUE(capture.Dialog()->Start());
    capture.Dialog()->Cancel();
    capture.Step();
    EXPECT_EQ(capture.LastResult(), FitsCaptureModel::Result::Cancelled);
    EXPECT_TRUE(w.panel.State().pcTime);
}

TEST(WindowRecording, RecordingWithOptionsStartsAndStopsByItselfAtTheRightFrames) {
    test::LogCapture log;
    Window w;
    ASSERT_TRUE(w.connected);
    w.rig.settings.RecordingWithOptionsDefaultDurationSec = "60";
    w.rig.settings.RecordingWithOptionsFormat = "SER";
    UtcDateTime utc{2024, 5, 23, 21, 30, 0, 0};
    RecordingCommandsModel commands(*w.rig.station);
    RecordingWithOptionsModel options(*w.rig.station, commands, w.panel, w.clock, [&utc] { return utc; });
    options.Open();
    EXPECT_EQ(options.format, RecordingFormat::Ser);
    EXPECT_EQ(options.rows[0].center, "21:30:00");
    EXPECT_EQ(options.rows[0].duration, "60");

    // Row 1: one second centred at 21:30:04 (starts 21:30:04, integer halving); row 2:
    // two seconds at 21:30:10 with 10 ms frames.
    options.rows[0] = {true, "21:30:04", "1", ""};
    options.rows[1] = {true, "21:30:10", "2", "10"};
    ASSERT_TRUE(options.Start());
    EXPECT_EQ(options.GetState(), RecordingWithOptionsModel::State::Waiting);
    EXPECT_FALSE(options.InputsEnabled());
    EXPECT_EQ(options.ButtonText(), "Stop");
    options.Tick();
    EXPECT_TRUE(log.Contains("I Delay (sec): 4"));
    EXPECT_EQ(options.Progress(), 100);
    utc.second = 2;
    options.Tick();
    EXPECT_EQ(options.Progress(), 50);
    EXPECT_FALSE(commands.IsRecording());
    utc.second = 4;
    options.Tick();
    EXPECT_EQ(options.GetState(), RecordingWithOptionsModel::State::Recording);
    ASSERT_TRUE(commands.IsRecording());
    ASSERT_TRUE(RunUntil([&] { commands.Step(); }, [&] { return !commands.IsRecording(); }));
    EXPECT_EQ(commands.LastOutcome(), RecordingOutcome::DurationReached);
    const std::string first = commands.Session()->RecordingPath();
    options.Tick();
    EXPECT_TRUE(log.Contains("I Recording complete, stopping."));
    // Row 2 moved up with its exposure and waits.
    EXPECT_EQ(options.GetState(), RecordingWithOptionsModel::State::Waiting);
    EXPECT_EQ(options.rows[0].center, "21:30:10");
    EXPECT_FALSE(options.rows[1].checked);
    EXPECT_EQ(w.rig.cameraDevice->Device().State().exposureUs, 10000u);
    ASSERT_TRUE(w.rig.WaitForFrames(3));
    utc.second = 9;
    options.Tick();
    ASSERT_TRUE(commands.IsRecording());
    ASSERT_TRUE(RunUntil([&] { commands.Step(); }, [&] { return !commands.IsRecording(); }));
    options.Tick();
    EXPECT_EQ(options.GetState(), RecordingWithOptionsModel::State::Idle);
    EXPECT_EQ(options.ButtonText(), "Start");

    // Exactly the frames of each interval: 1 s of 5 ms frames, 2 s of 10 ms frames.
    SerReader reader;
    ASSERT_TRUE(reader.Open(first)) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), 200u);
    ASSERT_TRUE(reader.Open(commands.Session()->RecordingPath())) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), 200u);
    EXPECT_EQ(reader.Timestamps()[1] - reader.Timestamps()[0], 100000u);
}

TEST(WindowRecording, RecordingWithOptionsRefusesWhatCannotBeScheduled) {
    Window w;
    ASSERT_TRUE(w.connected);
    RecordingCommandsModel commands(*w.rig.station);
    UtcDateTime utc{2024, 5, 23, 23, 50, 0, 0};
    RecordingWithOptionsModel options(*w.rig.station, commands, w.panel, w.clock, [&utc] { return utc; });
    options.Open();
    struct Case {
        const char* center;
        const char* duration;
        const char* every;
        const char* message;
    };
    const Case cases[] = {
        {"00:00:30", "0", "1", "The duration is invalid. Please provide a duration from 1 to 86399 seconds."},
        {"00:00:30", "-10", "1", "The duration is invalid. Please provide a duration from 1 to 86399 seconds."},
        {"00:00:30", "86400", "1", "The duration is invalid. Please provide a duration from 1 to 86399 seconds."},
        {"24:00:00", "60", "1", "The start time is invalid. Please provide the start time in the format HH:MM:SS."},
        {"00:00:30", "60", "0", "The frame interval value is invalid. Please set the value to 1 or greater."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        options.rows[0] = {true, c.center, c.duration, ""};
        options.everyNthChecked = true;
        options.everyNthText = c.every;
        EXPECT_FALSE(options.Start());
        EXPECT_EQ(options.GetState(), RecordingWithOptionsModel::State::Idle);
        EXPECT_EQ(w.rig.ui.messages.back().text, c.message);
    }
    // 00:00:30 with 120 s entered at 23:50:00 waits for 23:59:30 of the same day.
    options.rows[0] = {true, "00:00:30", "120", ""};
    options.everyNthText = "1";
    ASSERT_TRUE(options.Start());
    EXPECT_EQ(options.StartSecond(), 23 * 3600 + 59 * 60 + 30);
    options.Stop();

    // A start that fails (no folder) is not counted down as if it recorded.
    w.rig.settings.AdvDirectory = w.rig.dir.File("missing");
    options.format = RecordingFormat::Adv;
    options.rows[0] = {true, "23:50:10", "20", ""};
    ASSERT_TRUE(options.Start());
    options.Tick();
    EXPECT_EQ(options.GetState(), RecordingWithOptionsModel::State::Idle);
    EXPECT_EQ(w.rig.ui.messages.back().title, "ADV files directory not found");
    options.rows[0].checked = false;
    EXPECT_FALSE(options.Start());
    EXPECT_EQ(options.GetState(), RecordingWithOptionsModel::State::Idle);
}

// "Copy Event(s)" fills the rows from the event store: the next event and the one after
// it, row 3 emptied; the button is there only while an event is ahead.
TEST(WindowRecording, RecordingWithOptionsCopiesTheNextEvents) {
    test::SimulatedStation rig(kFastMode);
    test::ManualClock clock;
    CameraPanelModel panel(*rig.station, rig.center, &clock);
    RecordingCommandsModel commands(*rig.station);
    rig.settings.RecordingWithOptionsDefaultDurationSec = "90";
    RecordingWithOptionsModel options(*rig.station, commands, panel, clock);
    options.Open();
    OwEventManager& events = rig.station->Events();
    ASSERT_TRUE(events.Load());
    EXPECT_FALSE(options.CanCopyEvents());

    const uint64_t now = SystemEventTicksNow();
    std::vector<std::string> centres;
    for (const int hours : {2, 1}) {
        OwEvent event;
        event.AsteroidName = "(" + std::to_string(hours) + ") Test";
        event.StarName = "TYC 1-1-1";
        event.EventTime = now + static_cast<uint64_t>(hours) * 3600 * kEventTicksPerSecond;
        ASSERT_EQ(events.AddEvent(event).status, AddEventStatus::Added);
        const uint64_t second = event.EventTime / kEventTicksPerSecond % 86400;
        char text[16];
        std::snprintf(text, sizeof(text), "%02d:%02d:%02d", static_cast<int>(second / 3600),
                      static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
        centres.insert(centres.begin(), text);
    }
    events.UpdateTimeToEvent();
    ASSERT_TRUE(options.CanCopyEvents());
    options.rows[2] = {true, "01:02:03", "5", "7"};
    options.CopyNextEvents();
    EXPECT_TRUE(options.rows[0].checked);
    EXPECT_EQ(options.rows[0].center, centres[0]);
    EXPECT_EQ(options.rows[0].duration, "90");
    EXPECT_EQ(options.rows[0].exposure, "");
    EXPECT_TRUE(options.rows[1].checked);
    EXPECT_EQ(options.rows[1].center, centres[1]);
    EXPECT_EQ(options.rows[1].exposure, "100");
    EXPECT_FALSE(options.rows[2].checked);
    EXPECT_EQ(options.rows[2].center, "");
}

TEST(WindowRecording, DiskSpaceWarnsBeforeItRunsOutAndStopsWhileTheFileCanBeClosed) {
    Window w;
    ASSERT_TRUE(w.connected);
    // Ours: a disk that loses what the recording writes, and a little more each step.
    uint64_t free = DiskSpaceModel::kReserveBytes + 30 * 1000 * 1000;
    RecordingCommandsModel commands(*w.rig.station, [&free](const std::string&) { return free; });
    ASSERT_TRUE(commands.Start(RecordingFormat::Ser));
    EXPECT_EQ(commands.Disk().StatusText(), "Disk: 47 MB free");
    std::vector<DiskSpaceModel::Level> levels;
    bool warnedWithRoomLeft = false;
    uint64_t written = 0;
    ASSERT_TRUE(RunUntil(
        [&] {
            const uint64_t now = commands.Session() ? commands.Session()->BytesWritten() : 0;
            free -= std::min(free, now - written);
            written = now;
            commands.Step();
            if (commands.IsRecording() && (levels.empty() || levels.back() != commands.Disk().GetLevel())) {
                levels.push_back(commands.Disk().GetLevel());
                if (levels.back() == DiskSpaceModel::Level::Red && free > DiskSpaceModel::kReserveBytes) {
                    warnedWithRoomLeft = true;
                }
            }
        },
        [&] { return !commands.IsRecording(); }));
    EXPECT_EQ(commands.LastOutcome(), RecordingOutcome::DiskSpaceLow);
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.back(), DiskSpaceModel::Level::Red);
    EXPECT_TRUE(warnedWithRoomLeft) << "red before the reserve is reached";
    EXPECT_EQ(w.rig.ui.messages.back().title, "Recording stopped");
    SerReader reader;
    ASSERT_TRUE(reader.Open(commands.Session()->RecordingPath())) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), static_cast<uint32_t>(commands.Session()->FramesWritten()));
}

TEST(DiskSpaceModel, LevelsAndTexts) {
    test::ManualClock clock;
    uint64_t free = 0;
    DiskSpaceModel disk(clock, [&free](const std::string&) { return free; });
    EXPECT_EQ(disk.StatusText(), "");
    free = 100ULL * 1000 * 1000 * 1000;
    disk.Begin("/any");
    disk.Step(0);
    EXPECT_EQ(disk.StatusText(), "Disk: 100.0 GB free") << "no rate yet";
    struct Case {
        uint64_t freeBytes;
        DiskSpaceModel::Level level;
        const char* text;
    };
    // 10 MB a second once a second has passed.
    const Case cases[] = {
        {DiskSpaceModel::kReserveBytes + 7000ULL * 1000 * 1000, DiskSpaceModel::Level::Normal, "Disk: 7.0 GB free, 11:40 left"},
        {DiskSpaceModel::kReserveBytes + 6000ULL * 1000 * 1000, DiskSpaceModel::Level::Yellow, "Disk: 6.0 GB free, 10:00 left"},
        {DiskSpaceModel::kReserveBytes + 1200ULL * 1000 * 1000, DiskSpaceModel::Level::Red, "Disk: 1.2 GB free, 2:00 left"},
        {DiskSpaceModel::kReserveBytes, DiskSpaceModel::Level::Red, "Disk: 17 MB free, 0:00 left"},
    };
    clock.Advance(2s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        free = c.freeBytes;
        disk.Step(20ULL * 1000 * 1000);
        EXPECT_EQ(disk.GetLevel(), c.level);
        EXPECT_EQ(disk.StatusText(), c.text);
    }
    EXPECT_TRUE(disk.MustStop());
    EXPECT_EQ(DiskSpaceModel::FormatDuration(3723), "1:02:03");
    disk.End();
    EXPECT_FALSE(disk.MustStop());
    test::TempDir folder;
    EXPECT_TRUE(DiskSpaceModel::FileSystemFreeSpace(folder.Path()).has_value());
    EXPECT_FALSE(DiskSpaceModel::FileSystemFreeSpace(folder.File("missing")).has_value());
}

// A disk that is really full (a file size limit in a child process): the recording ends
// as a write failure, the user is told, and what reached the disk stays readable.
TEST(WindowRecording, FullDiskEndsTheRecordingCleanly) {
    test::TempDir shared;
    const std::string pathFile = shared.File("recording.ser");
    const int exitCode = test::RunWithFileSizeLimit(200 * 1024, [&] {
        Window w;
        if (!w.connected) return 10;
        RecordingCommandsModel commands(*w.rig.station);
        if (!commands.Start(RecordingFormat::Ser)) return 11;
        if (!RunUntil([&] { commands.Step(); }, [&] { return !commands.IsRecording(); })) return 12;
        // The station's folders go with it; the parent reads a copy.
        std::filesystem::copy_file(commands.Session()->RecordingPath(), pathFile);
        const bool told = !w.rig.ui.messages.empty() && w.rig.ui.messages.back().title == "Recording stopped" &&
                          w.rig.ui.messages.back().text.find("File too large") != std::string::npos;
        return commands.LastOutcome() == RecordingOutcome::WriteFailed && told ? 0 : 13;
    });
    ASSERT_EQ(exitCode, 0);
    SerReader reader;
    ASSERT_TRUE(reader.Open(pathFile, SerReader::Mode::Recover)) << reader.Error();
    EXPECT_GT(reader.FrameCount(), 0u);
}

}  // namespace
}  // namespace orva
