// The live view's options on the panel: each change logged, stored and read back by the
// next run's window; the zoom box's entry rules; the zoom steps of the View menu.

#include "station/LiveViewOptionsModel.h"

#include "station/SimulatedStation.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

// The settings a second run of the window reads from the same folder.
struct NextRun {
    explicit NextRun(const test::SimulatedStation& first) : settings(first.dir.File("config"), center) {
        settings.Load();
    }
    NotificationCenter center;
    Settings settings;
};

TEST(LiveViewOptionsModel, EveryOptionIsStoredAndReadBackByTheNextRun) {
    test::LogCapture log;
    test::SimulatedStation rig;
    LiveViewOptionsModel options(*rig.station);
    int viewChanges = 0;
    options.onViewChanged = [&] { ++viewChanges; };
    options.Load();
    EXPECT_EQ(viewChanges, 1);
    EXPECT_EQ(options.PreviewMode(), 0);  // "Scale to fit", as an empty profile has it
    EXPECT_EQ(options.ZoomText(), "100%");
    EXPECT_FALSE(options.ZoomEnabled());

    options.SelectPreviewMode(2);
    EXPECT_TRUE(options.ZoomEnabled());
    EXPECT_EQ(options.EnterZoom("600"), LiveViewOptionsModel::EditResult::Applied);
    options.SetCrosshair(true);
    options.SetOverflow(true);
    EXPECT_TRUE(StationInside::Processor(*rig.station).ShowsOverflow());
    EXPECT_EQ(viewChanges, 4);  // mode, zoom, crosshair; the overflow marks are the frame path's
    EXPECT_TRUE(log.Contains("I MainForm: show crosshair overlay: 1"));
    EXPECT_TRUE(log.Contains("I MainForm: show pixel overflow: 1"));

    NextRun next(rig);
    EXPECT_EQ(next.settings.PreviewMode(), 2);
    EXPECT_EQ(next.settings.PreviewZoomFactor, 600);
    EXPECT_TRUE(next.settings.CameraConfigPresent);
    EXPECT_EQ(next.settings.CameraConfig.crosshair, 1);
    EXPECT_TRUE(next.settings.ShowOverflow.IsOn());

    // The next run's window starts with them.
    test::SimulatedStation second({}, 7, nullptr, [&](Settings& s) {
        s.PreviewModeText = next.settings.PreviewModeText;
        s.PreviewZoomFactor = next.settings.PreviewZoomFactor;
        s.CameraConfig = next.settings.CameraConfig;
        s.CameraConfigPresent = true;
        s.ShowOverflow.Set(true);
    });
    LiveViewOptionsModel restored(*second.station);
    restored.Load();
    EXPECT_EQ(restored.PreviewMode(), 2);
    EXPECT_EQ(restored.ZoomPercent(), 600);
    EXPECT_TRUE(restored.Crosshair());
    EXPECT_TRUE(restored.Overflow());
    EXPECT_TRUE(StationInside::Processor(*second.station).ShowsOverflow());

    restored.SetCrosshair(false);
    restored.SetOverflow(false);
    EXPECT_TRUE(log.Contains("I MainForm: show crosshair overlay: 0"));
    EXPECT_TRUE(log.Contains("I MainForm: show pixel overflow: 0"));
    EXPECT_FALSE(StationInside::Processor(*second.station).ShowsOverflow());
}

TEST(LiveViewOptionsModel, ZoomBoxEntries) {
    const struct {
        const char* text;
        LiveViewOptionsModel::EditResult result;
        int percent;
    } cases[] = {
        {"150%", LiveViewOptionsModel::EditResult::Applied, 150},
        {"150", LiveViewOptionsModel::EditResult::Applied, 150},  // "%" appended
        {"25", LiveViewOptionsModel::EditResult::Applied, 25},
        {"800%", LiveViewOptionsModel::EditResult::Applied, 800},
        {"24%", LiveViewOptionsModel::EditResult::Replaced, 100},
        {"801", LiveViewOptionsModel::EditResult::Replaced, 100},
        {"abc", LiveViewOptionsModel::EditResult::Replaced, 100},
        {"", LiveViewOptionsModel::EditResult::Replaced, 100},
    };
    test::SimulatedStation rig;
    LiveViewOptionsModel options(*rig.station);
    options.Load();
    for (const auto& c : cases) {
        options.EnterZoom("300");
        EXPECT_EQ(options.EnterZoom(c.text), c.result) << c.text;
        EXPECT_EQ(options.ZoomPercent(), c.percent) << c.text;
        EXPECT_EQ(rig.settings.PreviewZoomFactor, c.percent) << c.text;
    }
}

TEST(LiveViewOptionsModel, ZoomStepsAndTheToggleFollowTheLists) {
    test::SimulatedStation rig;
    LiveViewOptionsModel options(*rig.station);
    options.Load();
    options.EnterZoom("120");  // between two entries of the list
    options.StepZoom(1);
    EXPECT_EQ(options.ZoomPercent(), 150);
    options.EnterZoom("120");
    options.StepZoom(-1);
    EXPECT_EQ(options.ZoomPercent(), 100);
    options.EnterZoom("800");
    options.StepZoom(1);  // nothing past the last entry
    EXPECT_EQ(options.ZoomPercent(), 800);
    options.EnterZoom("50");
    options.StepZoom(-1);
    EXPECT_EQ(options.ZoomPercent(), 50);

    // The toggle goes between the two aspect modes; the stretched mode goes to the zoomed one.
    EXPECT_EQ(options.PreviewMode(), 0);
    options.TogglePreviewMode();
    EXPECT_EQ(options.PreviewMode(), 2);
    options.TogglePreviewMode();
    EXPECT_EQ(options.PreviewMode(), 1);
    EXPECT_EQ(rig.settings.PreviewModeText, "1");
    options.SelectPreviewMode(7);  // not in the list
    EXPECT_EQ(options.PreviewMode(), 0);
    EXPECT_EQ(rig.settings.PreviewModeText, "0");
}

}  // namespace
}  // namespace orva
