#include "ui/CDlgOccultationDetails.h"
#include "ui/CDlgOccultationDetailsMore.h"
#include "ui/CDlgOccultationEditor.h"
#include "ui/CDlgOccultationEvents.h"
#include "ui/CDlgOccultationsListEntry.h"
#include "ui/CDlgGuiding.h"
#include "ui/CDlgPlatesolving.h"
#include "ui/CDlgTelescope.h"
#include "ui/ToolWindows.h"

#include "UiStation.h"

#include "events/OwEventTime.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>

namespace orva {
namespace {

// The tool windows over a station of the test's own.
class ToolWindowsTest : public ::testing::Test, protected test::UiStation {
protected:
    ToolWindowsTest() {
        EXPECT_TRUE(station->Events().Load());
        windows = std::make_unique<ToolWindows>(*station, nullptr);
    }
    ~ToolWindowsTest() override {
        windows.reset();
        station.reset();
    }

    // An event `minutesAhead` from now, in the shown days.
    OwEventId AddEvent(const std::string& asteroid, int minutesAhead) {
        OwEvent e;
        e.AsteroidName = asteroid;
        e.StarName = "TYC 1234-567-1";
        e.EventTime = SystemEventTicksNow() + static_cast<uint64_t>(minutesAhead) * 60 * kEventTicksPerSecond;
        e.OwEventInfoVersion = 1;
        const AddEventResult r = station->Events().AddEvent(e);
        EXPECT_EQ(r.status, AddEventStatus::Added);
        return r.id;
    }

    // Clicks the button and, once its modal dialog runs, lets `fill` work it.
    template <class Dialog>
    static void ClickWithDialog(QPushButton* button, const std::function<void(Dialog&)>& fill) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen = true;
            fill(*dialog);
        });
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(seen);
    }
    static QPushButton* FindButton(QWidget& window, const QString& text) {
        for (QPushButton* b : window.findChildren<QPushButton*>()) {
            if (b->text() == text) return b;
        }
        return nullptr;
    }

    std::unique_ptr<ToolWindows> windows;
};

TEST_F(ToolWindowsTest, EventsWindowListsSelectsAndStoresTheObserversInput) {
    AddEvent("(16) Psyche", 90);
    const OwEventId second = AddEvent("(4) Vesta", 150);
    station->Events().UpdateTimeToEvent();

    CDlgOccultationEvents& window = windows->ShowOccultationEvents();
    EXPECT_EQ(&window, &windows->ShowOccultationEvents()) << "made once, then shown again";
    EXPECT_EQ(window.windowTitle(), "Occultation Events");
    ASSERT_EQ(window.EntryWidgets().size(), 2u);
    EXPECT_TRUE(window.EntryWidgets()[1]->Text().contains("(4) Vesta - TYC 1234-567-1")) << window.EntryWidgets()[1]->Text().toStdString();
    EXPECT_FALSE(window.Details()->isVisible());

    QTest::mouseClick(window.EntryWidgets()[1], Qt::LeftButton);
    EXPECT_TRUE(window.Details()->isVisible());
    EXPECT_TRUE(window.Details()->Countdown()->text().startsWith(" 2h 2") || window.Details()->Countdown()->text().startsWith(" 2h 30"))
        << window.Details()->Countdown()->text().toStdString();

    // D - Main Star, then a typed D time: stored in the event and saved.
    window.Details()->DType()->setCurrentIndex(2);
    emit window.Details()->DType()->activated(2);
    ASSERT_TRUE(window.Details()->DTime()->isEnabled());
    window.Details()->DTime()->setFocus();
    window.Details()->DTime()->clear();
    QTest::keyClicks(window.Details()->DTime(), "21:30:12.250");
    QTest::keyClick(window.Details()->DTime(), Qt::Key_Return);
    const OwEvent* e = station->Events().Find(second);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->DType, "D");
    EXPECT_EQ(e->DTimestamp_valid, 1);
    EXPECT_EQ(e->DTimestamp_ms, 77412250u);
    EXPECT_EQ(window.Details()->DTime()->text(), "21:30:12.250");

    // The selected entry clicked again: nothing selected, the details go.
    QTest::mouseClick(window.EntryWidgets()[1], Qt::LeftButton);
    EXPECT_FALSE(window.Details()->isVisible());
}

// The "xml" button asks for the Occult file and lists its event at once; a cancelled
// picker imports nothing.
TEST_F(ToolWindowsTest, EventsWindowXmlButtonImportsThePickedFile) {
    CDlgOccultationEvents& window = windows->ShowOccultationEvents();
    QPushButton* xml = nullptr;
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        if (b->text() == "xml") xml = b;
    }
    ASSERT_NE(xml, nullptr);
    const std::time_t soon = std::time(nullptr) + 3600;
    std::tm utc{};
    gmtime_r(&soon, &utc);
    char elements[96];
    std::snprintf(elements, sizeof elements, "JPL#1,4.5,%d,%d,%d,%.4f", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour + utc.tm_min / 60.0);
    const std::string file = dir.File("occult.xml");
    test::WriteFile(file, std::string("<Occultations><Event><Elements>") + elements +
                              "</Elements><Star>TYC 1-2-3,5.5,-12.25,0,11.5,0</Star>"
                              "<Object>1,Ceres,8.5,939.4,1.1,2,3,4.4,5.5</Object></Event></Occultations>\n");
    ui.pickReplies.push_back(std::nullopt);
    QTest::mouseClick(xml, Qt::LeftButton);
    EXPECT_TRUE(window.EntryWidgets().empty());
    EXPECT_TRUE(ui.messages.empty());
    ui.pickReplies.push_back(file);
    QTest::mouseClick(xml, Qt::LeftButton);
    ASSERT_EQ(ui.pickerTitles.size(), 2u);
    EXPECT_EQ(ui.pickerTitles[1], "Select Occult XML file");
    EXPECT_EQ(window.EntryWidgets().size(), 1u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Imported 1 events, 0 already known, 0 refused.");
}

TEST_F(ToolWindowsTest, EventsWindowFollowsTheStoreOnlyWhileShown) {
    CDlgOccultationEvents& window = windows->ShowOccultationEvents();
    EXPECT_TRUE(window.EntryWidgets().empty());
    AddEvent("(16) Psyche", 30);
    window.OnTimer();
    EXPECT_EQ(window.EntryWidgets().size(), 1u);

    window.hide();
    AddEvent("(4) Vesta", 60);
    window.OnTimer();
    EXPECT_EQ(window.EntryWidgets().size(), 1u) << "hidden: not listening";
    windows->ShowOccultationEvents();
    AddEvent("(7) Iris", 90);
    window.OnTimer();
    EXPECT_EQ(window.EntryWidgets().size(), 3u);
}

TEST_F(ToolWindowsTest, PlateSolvingWindowIsMadeOnceAndItsWorkerEndsWithIt) {
    settings.FitsDirectory = dataDir.Path();
    CDlgPlatesolving& window = windows->ShowPlateSolving();
    EXPECT_EQ(&window, &windows->ShowPlateSolving());
    EXPECT_EQ(window.windowTitle(), "Plate Solving");
    EXPECT_EQ(log.MessagesStartingWith("I Opened Dialog 'Platesolving'").size(), 1u) << "made once";
    EXPECT_EQ(window.StartButton()->text(), "Start");
    windows.reset();  // joins the worker thread
}

TEST_F(ToolWindowsTest, TelescopeWindowTakesTheNextEventsStarIntoItsEditField) {
    const OwEventId id = AddEvent("(16) Psyche", 45);
    station->Events().UpdateEvent(id, [](OwEvent& e) {
        e.StarRaHours = 5.5;
        e.StarDecDegrees = -0.5;
    });
    station->Events().UpdateTimeToEvent();
    CDlgTelescope& window = windows->ShowTelescope();
    EXPECT_EQ(&window, &windows->ShowTelescope());
    ASSERT_NE(windows->Telescope(), nullptr);
    EXPECT_EQ(window.windowTitle(), "Telescope Control");
    EXPECT_EQ(window.Instruction()->text(), "Enter coordinates in format \"h m s.s + d m s.s\" or an object name.");
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Telescope'"));

    QPushButton* event = window.Button("Event -->");
    ASSERT_NE(event, nullptr);
    ASSERT_TRUE(event->isEnabled());
    QTest::mouseClick(event, Qt::LeftButton);
    EXPECT_EQ(window.Edit()->text(), "5 30 00.0    -0 30 00");
    EXPECT_EQ(window.Instruction()->text(), "Coordinates of next event:");
    EXPECT_FALSE(window.Button("Slew")->isEnabled()) << "no mount connected";

    // Typing is the observer's: the timer does not overwrite it.
    window.Edit()->setText("M 42");
    window.OnTimer();
    EXPECT_EQ(window.Edit()->text(), "M 42");
    windows.reset();  // joins the telescope worker
}

TEST_F(ToolWindowsTest, GuidingWindowSelectsStartsAndResets) {
    CDlgGuiding& window = windows->ShowGuiding();
    EXPECT_EQ(&window, &windows->ShowGuiding());
    GuidingService& guiding = station->Guiding();
    EXPECT_EQ(window.Up()->currentText(), "DEC -");
    EXPECT_EQ(window.Right()->currentText(), "RA -");
    EXPECT_FALSE(window.TimerActive());

    QTest::mouseClick(window.SelectButton(), Qt::LeftButton);
    EXPECT_TRUE(guiding.selecting.load());
    EXPECT_FALSE(window.SelectButton()->isEnabled());
    EXPECT_TRUE(window.TimerActive());

    // The live view's click.
    guiding.SetTarget(100, 80);
    guiding.selecting = false;
    window.OnTimer();
    EXPECT_EQ(window.Target()->text(), "100 / 80");

    // "up" on the right ascension axis moves "right" to declination.
    emit window.Up()->activated(0);
    EXPECT_EQ(window.Right()->currentText(), "DEC +");
    EXPECT_EQ(guiding.upIsDeclination.load(), 0);

    QTest::mouseClick(window.StartButton(), Qt::LeftButton);
    EXPECT_TRUE(guiding.active.load());
    EXPECT_FALSE(window.StartButton()->isEnabled());
    EXPECT_TRUE(window.StopButton()->isEnabled());

    QTest::mouseClick(window.ResetButton(), Qt::LeftButton);
    EXPECT_FALSE(guiding.active.load());
    EXPECT_EQ(guiding.Target(), std::make_pair(0, 0));
    window.OnTimer();
    EXPECT_FALSE(window.TimerActive()) << "nothing left to watch";
}

TEST_F(ToolWindowsTest, PlusAddsAnEventThroughTheEditorAndMoreStoresTheComments) {
    using F = OccultationEditorModel::Field;
    CDlgOccultationEvents& window = windows->ShowOccultationEvents();
    ClickWithDialog<CDlgOccultationEditor>(FindButton(window, "+"), [&](CDlgOccultationEditor& editor) {
        EXPECT_EQ(editor.Field(F::AsteroidName)->text(), "MyAsteroid");
        editor.Field(F::StarName)->setText("X");
        editor.Confirm();
        ASSERT_TRUE(editor.isVisible()) << "a one-letter star name keeps the editor open";
        EXPECT_EQ(ui.messages.back().title, "Input invalid");
        EXPECT_EQ(editor.Field(F::StarName)->selectedText(), "X");
        editor.Field(F::StarName)->setText("TYC 1-2-3");
        editor.Confirm();
        EXPECT_FALSE(editor.isVisible());
    });
    ASSERT_EQ(window.EntryWidgets().size(), 1u);
    EXPECT_TRUE(window.EntryWidgets()[0]->Text().contains("MyAsteroid - TYC 1-2-3"));

    const OwEventId id = window.EntryWidgets()[0]->Id();
    QTest::mouseClick(window.EntryWidgets()[0], Qt::LeftButton);
    ClickWithDialog<CDlgOccultationDetailsMore>(FindButton(window, "More..."), [](CDlgOccultationDetailsMore& more) {
        more.Comment1()->setText("thin clouds at R");
        more.Confirm();
    });
    ASSERT_NE(station->Events().Find(id), nullptr);
    EXPECT_EQ(station->Events().Find(id)->RecordingComment1, "thin clouds at R");
}

}  // namespace
}  // namespace orva
