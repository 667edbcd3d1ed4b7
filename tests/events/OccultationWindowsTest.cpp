#include "EventWindowsFixture.h"
#include "events/OccultationDetailsMoreModel.h"
#include "events/OccultationEditorModel.h"
#include "events/OccultationEventsModel.h"
#include "events/OwEventFile.h"

namespace orva {
namespace {

using test::EventWindowsTest;
using test::MakeEvent;
using test::ReadFile;
using test::Ticks;
using test::WriteFile;
using Field = OccultationEditorModel::Field;

TEST_F(EventWindowsTest, DetailsShowTheEventAndItsChoices) {
    const OwEventId id = AddShownEvent();
    store.UpdateEvent(id, [](OwEvent& e) {
        e.ErrorInTimeSec = 1.5;
        e.StarRaHours = 12.5;
        e.StarDecDegrees = -7.25;
        e.DType = "d";
        e.RecordingTransparency = "3";
        e.RecordingSNR = 4.25;
        e.RecordingWindBft = 2.6;
        e.RecordingStartTimestamp_valid = 1;
        e.RecordingStartTimestamp_ms = 77400000;
    });
    details.Show(id);
    const OccultationDetailsView v = details.View();
    EXPECT_TRUE(v.hasEvent);
    EXPECT_EQ(v.dateTime, "05.03.2024 21:30:12 UT  \xC2\xB1 1.5 s");
    EXPECT_EQ(v.countdown, " 9h 30m 12s");
    EXPECT_EQ(v.position, "12h 30m 0.000s, -07 15' 00.000\"");
    EXPECT_EQ(v.recording, "21:30:00.000");
    EXPECT_EQ(v.dType, 3);  // "d - Second Star", not "D - Main Star"
    EXPECT_EQ(v.transparency, 3);
    EXPECT_EQ(v.seeing, 0);
    EXPECT_EQ(v.snr, "4.2");
    EXPECT_EQ(v.wind, "3");
    EXPECT_EQ(v.temperature, "");
    EXPECT_TRUE(v.dEnabled);
    EXPECT_EQ(v.dTimeColour, FieldColour::Yellow);
    EXPECT_FALSE(v.rEnabled);
    EXPECT_EQ(v.rTime, "hh:mm:ss.sss");
    EXPECT_EQ(v.rAccuracy, "s.sss");
    details.Show(0);
    EXPECT_FALSE(details.View().hasEvent);
}

TEST_F(EventWindowsTest, DAndRInputIsCheckedStoredAndSaved) {
    AddShownEvent();
    details.ChooseDType(2);
    struct Case {
        const char* typed;
        int valid;
        uint64_t ms;
    };
    const Case cases[] = {
        {"25:00:00.000", 1, 90000000},
        {"21:30:59.9996", 1, 77460000},  // rounds into the next minute
        {"60:00:00", 0, 77460000},
        {"21:60:00", 0, 77460000},
        {"21:30", 0, 77460000},
        {"21:30:60", 0, 77460000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        details.EditDTime(c.typed);
        EXPECT_EQ(Shown().DTimestamp_valid, c.valid);
        if (c.valid != 0) {
            EXPECT_EQ(Shown().DTimestamp_ms, c.ms);
        }
    }
    details.EditDTime("21:30:12.040");
    details.EditDAccuracy("0.04");
    EXPECT_EQ(Shown().DTimestamp_acc_ms, 40u);
    details.EditDAccuracy("fast");
    EXPECT_EQ(Shown().DTimestamp_acc_ms, 40u);
    EXPECT_EQ(details.View().dAccuracy, "0.040");
    EXPECT_EQ(details.View().dTimeColour, FieldColour::Green);

    // A non-detection clears the time and disables the fields.
    details.ChooseDType(1);
    EXPECT_EQ(Shown().DType, "M");
    EXPECT_EQ(Shown().DTimestamp_valid, 0);
    EXPECT_FALSE(details.View().dEnabled);
    EXPECT_EQ(details.View().dTime, "hh:mm:ss.sss");
    details.EditDTime("21:30:12.040");  // not applicable: ignored
    EXPECT_EQ(Shown().DTimestamp_valid, 0);

    details.EditTemperature("-3.5");
    details.EditWind("x");  // not a number: unchanged
    details.EditSnr("");
    details.ChooseSeeing(2);
    EXPECT_EQ(Shown().RecordingTempC, -3.5);
    EXPECT_EQ(Shown().RecordingWindBft, -9999.0);
    EXPECT_EQ(Shown().RecordingSeeing, "2");
    EXPECT_EQ(OccultationDetailsModel::NumberFieldColour("x"), FieldColour::Yellow);
    EXPECT_EQ(OccultationDetailsModel::NumberFieldColour("-1.5"), FieldColour::White);

    const std::vector<OwEvent> saved = OwEventFile::Read(store.DayFilePath({2024, 3, 5})).events;
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].RecordingTempC, -3.5);
    EXPECT_EQ(saved[0].DType, "M");
}

TEST_F(EventWindowsTest, EditorRefusesBadInputInOrderAndNamesTheField) {
    OccultationEditorModel editor(store, ui, 0, Ticks(2024, 3, 5, 18, 4, 5));
    EXPECT_EQ(editor.Text(Field::DateTime), "05.03.2024 18:04:05");
    EXPECT_EQ(editor.Text(Field::AsteroidName), "MyAsteroid");
    EXPECT_EQ(editor.Text(Field::Probability), "0.0");
    EXPECT_EQ(editor.Text(Field::Position), "00h 00m 0.000s +00 00' 00.000\"");
    struct Case {
        Field field;
        std::string typed;
        const char* message;
    };
    const Case cases[] = {
        {Field::MaxDuration, "abc",
         "The input 'abc' in field 'maximum duration' is invalid. Please input a decimal number and try again."},
        {Field::StarName, "X", "The input 'X' in field 'star name' is too short; minimum length is 2. Please correct "
                               "the input and try again."},
        {Field::AsteroidName, std::string(33, 'a'), nullptr},
        {Field::Position, "12 30 00 +10 00",
         "The format of the input in field 'position' is invalid. Expected format: hh mm ss [+/-]deg mm ss. Please "
         "try again."},
        {Field::Position, "24 00 00 +10 00 00",
         "The RA part in field 'position' is outside of the permitted range. Please correct the input and try again."},
        {Field::Position, "12 00 00 +90 30 00",
         "The DEC part in field 'position' is outside of the permitted range. Please correct the input and try again."},
        {Field::DateTime, "05.03.1999 18:04:05",
         "The date part in field 'date and time' is outside of the permitted range. Please correct the input and try "
         "again."},
        {Field::DateTime, "31.02.2024 18:04:05", nullptr},
        {Field::DateTime, "05.03.2024 24:00:00",
         "The time part in field 'date and time' is outside of the permitted range. Please correct the input and try "
         "again."},
        {Field::DateTime, "05.03.2024", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string before = editor.Text(c.field);
        editor.SetText(c.field, c.typed);
        ui.messages.clear();
        EXPECT_EQ(editor.Confirm(), OccultationEditorModel::Result::KeepOpen);
        EXPECT_EQ(editor.InvalidField(), c.field);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].title, "Input invalid");
        if (c.message != nullptr) {
            EXPECT_EQ(ui.messages[0].text, c.message);
        }
        editor.SetText(c.field, before);
    }
    EXPECT_TRUE(log.Contains("I input invalid: Field 'star name', Value 'X'"));
    EXPECT_EQ(store.Count(), 0u);

    editor.SetText(Field::Position, "12h 30m 00.000s -00 30' 00.000\"");
    ASSERT_EQ(editor.Confirm(), OccultationEditorModel::Result::Closed);
    ASSERT_EQ(store.Count(), 1u);
    const OwEvent& added = *store.Events()[0];
    EXPECT_EQ(added.FeedName, "User input");
    EXPECT_EQ(added.OwEventInfoVersion, 1u);
    EXPECT_EQ(added.StarRaHours, 12.5);
    EXPECT_EQ(added.StarDecDegrees, -0.5);
    EXPECT_EQ(added.EventTime, Ticks(2024, 3, 5, 18, 4, 5));
    EXPECT_TRUE(log.Contains("I Occultation editor closing"));

    // The same event again is refused, and the editor stays open.
    OccultationEditorModel again(store, ui, 0, Ticks(2024, 3, 5, 18, 4, 5));
    again.SetText(Field::Position, "12h 30m 00.000s -00 30' 00.000\"");
    ui.messages.clear();
    EXPECT_EQ(again.Confirm(), OccultationEditorModel::Result::KeepOpen);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Can't add this event because an event with the same name is already in the list.");
}

// The mend: an event whose date is edited to a day that is not shown is filed under that
// day and survives, instead of being dropped from every file.
TEST_F(EventWindowsTest, EditedDateRefilesTheEventUnderItsNewDay) {
    const OwEventId id = AddShownEvent();
    OccultationEditorModel editor(store, ui, id, now);
    editor.SetText(Field::DateTime, "20.03.2024 01:02:03");
    ASSERT_EQ(editor.Confirm(), OccultationEditorModel::Result::Closed);
    EXPECT_EQ(store.Find(id), nullptr);
    EXPECT_TRUE(OwEventFile::Read(store.DayFilePath({2024, 3, 5})).events.empty());
    ASSERT_EQ(OwEventFile::Read(store.DayFilePath({2024, 3, 20})).events.size(), 1u);

    ASSERT_TRUE(store.Save());
    ASSERT_TRUE(store.SetStartDate({2024, 3, 20}));
    ASSERT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.Events()[0]->AsteroidName, "(16) Psyche");
    EXPECT_EQ(store.Events()[0]->EventTime, Ticks(2024, 3, 20, 1, 2, 3));
    // Edited again there: the day keeps one record, not one per edit.
    store.UpdateEvent(store.Events()[0]->id, [](OwEvent& e) { e.EventTime = Ticks(2024, 3, 20, 2, 0, 0); });
    EXPECT_EQ(OwEventFile::Read(store.DayFilePath({2024, 3, 20})).events.size(), 1u);
}

TEST_F(EventWindowsTest, MoreDialogKeepsMissingNamesAndStoresTheChosenOnes) {
    const OwEventId id = AddShownEvent();
    observers.Add("Ann");
    observers.Add("Bob");
    sites.Add("Home");
    store.UpdateEvent(id, [](OwEvent& e) {
        e.RecordingObserver = "Bob";
        e.RecordingObservingSite = "Renamed";
        e.RecordingComment1 = "clouds";
    });
    OccultationDetailsMoreModel more(*store.Find(id), lists);
    EXPECT_EQ(more.Names(OccultationDetailsMoreModel::List::Observer), (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_EQ(more.Selected(OccultationDetailsMoreModel::List::Observer), 1);
    EXPECT_EQ(more.Selected(OccultationDetailsMoreModel::List::Site), -1);
    EXPECT_EQ(more.comment1, "clouds");
    more.WarnIfMissing(ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "One or more entries may have been renamed or deleted and are missing.");

    more.Select(OccultationDetailsMoreModel::List::Observer, 0);
    more.comment2 = "wind";
    EXPECT_EQ(more.Apply(store, id), EventChange::Saved);
    EXPECT_EQ(store.Find(id)->RecordingObserver, "Ann");
    EXPECT_EQ(store.Find(id)->RecordingObservingSite, "Renamed");
    EXPECT_EQ(store.Find(id)->RecordingComment2, "wind");
}

TEST_F(EventWindowsTest, EventsWindowListsSelectsFollowsTheStoreAndDeletes) {
    OccultationEventsModel window(store, ui, details);
    window.Shown();
    store.AddEvent(MakeEvent("(1) Ceres", "S1", Ticks(2024, 3, 5, 11, 0, 0)));  // past
    store.AddEvent(MakeEvent("(2) Pallas", "S2", Ticks(2024, 3, 5, 14, 5, 30)));
    store.AddEvent(MakeEvent("(3) Juno", "S3", Ticks(2024, 3, 6, 1)));
    EXPECT_TRUE(window.HandlePosted().listRebuilt);
    ASSERT_EQ(window.Entries().size(), 3u);
    const OccultationListEntry& past = window.Entries()[0];
    EXPECT_EQ(past.line1, "05.03.2024 11:00:00UT \xC2\xB1" "0.0s");
    EXPECT_EQ(past.countdown, "-1h 00m");
    EXPECT_TRUE(past.greyed);
    EXPECT_EQ(window.Entries()[1].countdown, "2h 05m");
    EXPECT_TRUE(window.Entries()[1].boldCountdown);
    EXPECT_EQ(window.Entries()[1].line3, "(2) Pallas - S2");
    EXPECT_EQ(window.Entries()[1].line4, "D=0.0s   P=0.0%   mc=0.0   dm=0.0");
    EXPECT_EQ(OccultationEventsModel::Countdown(-65), "-01m 05s");

    const OwEventId pallas = window.Entries()[1].id;
    window.Click(pallas);
    EXPECT_EQ(details.Shown(), pallas);
    EXPECT_TRUE(window.DetailsVisible());
    window.SelectNext();
    window.SelectNext();  // at the end: stays
    EXPECT_EQ(window.Selected(), window.Entries()[2].id);
    window.SelectPrevious();
    EXPECT_EQ(window.Selected(), pallas);

    // A change in the store: the details are cleared, and the list reselects the event.
    details.ChooseDType(2);
    const auto handled = window.HandlePosted();
    EXPECT_TRUE(handled.listRebuilt);
    EXPECT_EQ(details.Shown(), pallas);

    ui.yesNoReplies = {false, true};
    EXPECT_FALSE(window.RequestDelete(pallas));
    EXPECT_TRUE(window.RequestDelete(pallas));
    EXPECT_EQ(ui.questions[0].title, "Delete entry");
    EXPECT_EQ(window.Entries().size(), 2u);
    EXPECT_EQ(details.Shown(), 0u);
    window.Click(window.Entries()[0].id);
    window.Click(window.Entries()[0].id);  // clicking the selected entry deselects it
    EXPECT_FALSE(window.DetailsVisible());

    EXPECT_TRUE(window.ShiftDays(1));
    EXPECT_EQ(window.StartDate(), (EventDate{2024, 3, 6}));
    EXPECT_EQ(window.Entries().size(), 1u);
    EXPECT_FALSE(window.PickDate(std::nullopt));
    EXPECT_EQ(ui.messages.back().title, "Time not set");

    window.Hidden();
    store.AddEvent(MakeEvent("(4) Vesta", "S4", Ticks(2024, 3, 6, 2)));
    EXPECT_FALSE(window.HandlePosted().listRebuilt);  // not listening while hidden
}

// "xml": the picked Occult file's events join the list and the message says so; a file
// that is not Occult XML says it could not be read and changes nothing.
TEST_F(EventWindowsTest, EventsWindowImportsAnOccultFile) {
    OccultationEventsModel window(store, ui, details);
    window.Shown();
    store.AddEvent(MakeEvent("(2) Pallas", "S2", Ticks(2024, 3, 5, 14, 5, 30)));
    window.Rebuild();
    const std::string good = dataDir.File("occult.xml");
    WriteFile(good, R"(<?xml version="1.0" encoding="utf-8"?>
<Occultations>
  <Event>
    <Elements>JPL#12,4.5,2024,3,5,20.5</Elements>
    <Star>TYC 1234-00567-1,5.5,-12.25,0,11.5,0</Star>
    <Object>1,Ceres,8.5,939.4,1.1,2,3,4.4,5.5</Object>
  </Event>
  <Event>
    <Elements>JPL#7,1.25,2024,3,6,1.2575</Elements>
    <Star>HIP 42,1.0,2.0,3.0,9.75,4.0</Star>
    <Object>2,Pallas,9.25,512.0,1,2,3,4,5</Object>
  </Event>
</Occultations>
)");
    const struct {
        const char* name;
        std::string path;
        bool readable;
        std::size_t entries;
        const char* title;
        const char* text;
    } cases[] = {
        {"good file", good, true, 3, "Import", "Imported 2 events, 0 already known, 0 refused."},
        {"same file again", good, true, 3, "Import", "Imported 0 events, 2 already known, 0 refused."},
        {"not XML", dataDir.File("notes.xml"), false, 3, "Error", "The selected file is not a readable Occult XML file."},
        {"missing", dataDir.File("missing.xml"), false, 3, "Error",
         "The selected file is not a readable Occult XML file."},
    };
    WriteFile(dataDir.File("notes.xml"), "just some notes, no XML at all\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dayFile = ReadFile(store.DayFilePath({2024, 3, 5}));
        const OccultImportResult r = window.ImportOccultXml(c.path);
        EXPECT_EQ(r.readable, c.readable);
        EXPECT_EQ(window.Entries().size(), c.entries);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().title, c.title);
        EXPECT_EQ(ui.messages.back().text, c.text);
        if (!c.readable) {
            EXPECT_EQ(ReadFile(store.DayFilePath({2024, 3, 5})), dayFile) << "nothing written";
        }
    }
    EXPECT_EQ(window.Entries()[1].line3, "(1) Ceres - TYC 1234-00567-1");
    EXPECT_EQ(window.Entries()[2].line3, "(2) Pallas - HIP 42");

    // The picker the window's button opens.
    ui.pickReplies.push_back(good);
    EXPECT_EQ(OccultXmlImport::AskForFile(ui), good);
    ASSERT_EQ(ui.pickerTitles.size(), 1u);
    EXPECT_EQ(ui.pickerTitles[0], "Select Occult XML file");
}

}  // namespace
}  // namespace orva
