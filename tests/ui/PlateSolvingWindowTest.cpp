#include "ui/CDlgPlatesolving.h"

#include "UiStation.h"
#include "support/ManualClock.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace orva {
namespace {

// Ours: a solver that logs in, takes the file and solves it on its second poll.
struct SolvingStrategy final : IPlateSolvingStrategy {
    explicit SolvingStrategy(PlateSolvingResult& r) : result(r) {}
    void SetPositionHint(double, double) override {}
    void SetScaleHint(double arcsecPerPixel) override { *scaleHint = arcsecPerPixel; }
    int32_t Login() override { return kPlateSolvingWorking; }
    int32_t Submit(const std::string& path) override {
        *submitted = path;
        return kPlateSolvingWorking;
    }
    int32_t Poll(std::string& status) override {
        if (++polls < 2) {
            status = "Waiting";
            return kPlateSolvingWorking;
        }
        status = "RA 05h 35m, DEC -05 23'";
        PlateSolution s;
        s.coordinatesValid = s.pixelScaleValid = true;
        s.pixelScaleArcsec = 2.345;
        result.Publish(s);
        return kPlateSolvingSolved;
    }
    PlateSolvingResult& result;
    std::string* submitted = nullptr;
    double* scaleHint = nullptr;
    int polls = 0;
};

// Ours: no capture is ever asked for (the test solves a chosen file).
struct UnusedCapture final : IPlateSolvingCapture {
    std::optional<std::string> StartCapture() override { return std::nullopt; }
    bool IsCaptureComplete(const std::string&) override { return false; }
    Clock::Duration CaptureDuration() const override { return Clock::Duration::zero(); }
};

// The window over a worker whose passes the test runs itself.
class PlateSolvingWindow : public ::testing::Test, protected test::UiStation {
protected:
    PlateSolvingWindow() {
        test::WriteFile(fits.File("m42.fits"), "x");
        settings.FitsDirectory = fits.Path();
        window = std::make_unique<CDlgPlatesolving>(
            CDlgPlatesolving::Services{settings, ui, worker, telescope, [this] { return streaming; },
                                       [this](std::string&) -> std::unique_ptr<IPlateSolvingStrategy> {
                                           auto s = std::make_unique<SolvingStrategy>(result);
                                           s->submitted = &submitted;
                                           s->scaleHint = &scaleHint;
                                           return s;
                                       },
                                       [this] { return imageScale; }});
    }
    ~PlateSolvingWindow() override { window.reset(); }

    test::TempDir fits;
    test::ManualClock clock;
    PlateSolvingResult result;
    UnusedCapture capture;
    PlateSolvingWorker worker{result, capture, clock};
    SharedTelescopeState telescope;
    bool streaming = false;
    std::string submitted;
    double scaleHint = 0.0;
    double imageScale = 0.0;
    std::unique_ptr<CDlgPlatesolving> window;
};

TEST_F(PlateSolvingWindow, SolvesTheChosenFileAndShowsEachStepAndTheResult) {
    ASSERT_EQ(window->Files()->count(), 2);
    EXPECT_EQ(window->Files()->itemText(0), "Record new file");
    window->Files()->setCurrentIndex(1);
    window->Scale()->setText("1.5");
    EXPECT_EQ(window->StartButton()->text(), "Start");

    QTest::mouseClick(window->StartButton(), Qt::LeftButton);
    EXPECT_EQ(window->StartButton()->text(), "Stop");
    EXPECT_EQ(window->StepLine()->text(), "Step 1: Logging in...");
    EXPECT_FALSE(window->Progress()->isHidden());
    EXPECT_EQ(window->RightAscension()->text(), "") << "no position hint: the edits are emptied";
    EXPECT_EQ(scaleHint, 1.5);

    worker.RunPass();  // log in
    worker.RunPass();  // load the file
    window->OnTimer();
    EXPECT_EQ(window->StepLine()->text(), "Step 3: Sending FITS file to server...");
    for (int i = 0; i < 10 && worker.Step() != PlateSolvingStep::Idle; ++i) worker.RunPass();
    window->OnTimer();

    EXPECT_EQ(submitted, fits.File("m42.fits"));
    EXPECT_EQ(window->StartButton()->text(), "Start");
    EXPECT_TRUE(window->StartButton()->isEnabled());
    EXPECT_TRUE(window->Progress()->isHidden());
    EXPECT_EQ(window->ResultLine()->text(), "RA 05h 35m, DEC -05 23'");
    EXPECT_EQ(window->Scale()->text(), "2.35") << "the solved scale";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Plate solving succeeded");
    EXPECT_EQ(ui.messages[0].text, "Success!");
}

// The scale hint follows a new instrument or binning while the window is open or hidden.
TEST_F(PlateSolvingWindow, ScaleHintFollowsTheImageScale) {
    EXPECT_EQ(window->Scale()->text(), "0.00");
    EXPECT_EQ(window->ScaleNote()->text(), "* Multiply with binning factor");
    imageScale = 1.2345;
    center.Publish(kTopicInstrumentChanged);
    EXPECT_EQ(window->Scale()->text(), "1.23");
    EXPECT_EQ(window->ScaleNote()->text(), "* Calculated value");
    EXPECT_TRUE(log.Contains("I Platesolving dialog: Resolution or instrument changed"));
    window->hide();
    imageScale = 2.469;
    center.Publish(kTopicResolutionChanged);
    EXPECT_EQ(window->Scale()->text(), "2.47");
    settings.PlateSolvingProgram("solve-field");
    EXPECT_TRUE(log.Contains("I Platesolving dialog: Solver changed"));
    EXPECT_EQ(window->StepLine()->text(), "Press Start to run the solve-field solver. Configure it in the settings.");
    // Gone with the window: a later change reaches nobody.
    window.reset();
    center.Publish(kTopicInstrumentChanged);
}

TEST_F(PlateSolvingWindow, NewCaptureNeedsStreamingAndTheTelescopeNeedsAPosition) {
    window->Files()->setCurrentIndex(0);
    QTest::mouseClick(window->StartButton(), Qt::LeftButton);
    EXPECT_EQ(worker.Step(), PlateSolvingStep::Idle);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Can't start plate solving");
    EXPECT_EQ(ui.messages[0].text,
              "To record a new FITS file before plate solving, the camera has to be connected and streaming mode enabled.");

    QPushButton* fromTelescope = window->FromTelescopeButton();
    QTest::mouseClick(fromTelescope, Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "Telescope position unavailable. Connect to telescope driver first.");
    telescope.Write({1, -1.0, 12.5});
    QTest::mouseClick(fromTelescope, Qt::LeftButton);
    EXPECT_EQ(window->RightAscension()->text(), "23 00");
    EXPECT_EQ(window->Declination()->text(), "+12 30");
}

TEST_F(PlateSolvingWindow, MissingFitsFolderLeavesTheListEmpty) {
    settings.FitsDirectory = fits.File("missing");
    window->RefreshFileList();
    EXPECT_EQ(window->Files()->count(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "FITS directory not found");
}

}  // namespace
}  // namespace orva
