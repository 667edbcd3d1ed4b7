#include "events/OwEventManager.h"

#include "EventTestSupport.h"
#include "events/OwEventFile.h"
#include "processing/FrameTimestamp.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace orva {
namespace {

namespace fs = std::filesystem;
using test::MakeEvent;
using test::ReadFile;
using test::TempDir;
using test::Ticks;
using test::WriteFile;

class CountingListener : public IOwEventManagerListener {
public:
    void OnEventsChanged() override { ++changed; }
    void OnTimeToEventUpdated() override { ++countdowns; }
    int changed = 0;
    int countdowns = 0;
};

// A data folder of the test's own and a clock the test sets; shown days 5 and 6 March 2024.
class EventStoreTest : public ::testing::Test {
protected:
    EventStoreTest() { store.SetUiServices(&ui); }

    std::string DayFile(int y, int m, int d) const { return store.DayFilePath({y, m, d}); }
    std::vector<std::string> TitlesIn(const std::string& path) const {
        std::vector<std::string> titles;
        for (const OwEvent& e : OwEventFile::Read(path).events) titles.push_back(e.GetTitle());
        return titles;
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const OwEvent* e : store.Events()) titles.push_back(e->GetTitle());
        return titles;
    }
    OwEventId Add(const std::string& asteroid, uint64_t time) {
        const AddEventResult r = store.AddEvent(MakeEvent(asteroid, "S", time));
        EXPECT_EQ(r.status, AddEventStatus::Added);
        return r.id;
    }

    test::LogCapture log;
    TempDir dataDir;
    uint64_t now = Ticks(2024, 3, 5, 12);
    OwEventManager store{dataDir.Path(), [this] { return now; }};
    test::FakeUiServices ui;
};

TEST(OwEventTime, DayKeysAndCalendarConversions) {
    EXPECT_EQ(DayKey({2024, 3, 5}), 20240305);
    EXPECT_EQ(DateOfTicks(Ticks(2024, 3, 5, 23, 59, 59, 999)), (EventDate{2024, 3, 5}));
    EXPECT_EQ(AddDays({2024, 2, 28}, 1), (EventDate{2024, 2, 29}));
    EXPECT_EQ(AddDays({2024, 1, 1}, -1), (EventDate{2023, 12, 31}));
    EXPECT_EQ(Ticks(1601, 1, 1), kFileTimeEpochTicks);
    const UtcDateTime t = UtcFromEventTicks(Ticks(2024, 3, 5, 21, 30, 12, 345));
    EXPECT_EQ(t.year * 10000 + t.month * 100 + t.day, 20240305);
    EXPECT_EQ(t.hour * 3600000 + t.minute * 60000 + t.second * 1000 + t.millisecond, 77412345);
    EXPECT_FALSE(IsUsableEventTime(0));
    EXPECT_TRUE(IsUsableEventTime(Ticks(9999, 12, 31, 23, 59, 59, 999)));
    EXPECT_FALSE(IsUsableEventTime(kEventTicksEnd));
    EXPECT_FALSE(IsValidUtc({2023, 2, 29, 0, 0, 0, 0}));
    EXPECT_TRUE(IsValidUtc({2024, 2, 29, 23, 59, 59, 999}));
}

TEST_F(EventStoreTest, AddedEventsAreSortedSavedAndAnnounced) {
    ASSERT_TRUE(store.Load());
    CountingListener listener;
    store.AddListener(&listener);
    Add("B", Ticks(2024, 3, 5, 22));
    Add("A", Ticks(2024, 3, 5, 21));
    Add("C", Ticks(2024, 3, 6, 1));

    EXPECT_EQ(Titles(), (std::vector<std::string>{"A occ. S", "B occ. S", "C occ. S"}));
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 5)), (std::vector<std::string>{"A occ. S", "B occ. S"}));
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 6)), (std::vector<std::string>{"C occ. S"}));
    EXPECT_EQ(listener.changed, 3);
    EXPECT_EQ(DayFile(2024, 3, 5), dataDir.Path() + "/Events/events_20240305.xml");
}

TEST_F(EventStoreTest, DuplicatesAreRefusedButTheSameNameAtAnotherTimeIsKept) {
    ASSERT_TRUE(store.Load());
    Add("A", Ticks(2024, 3, 5, 21));
    EXPECT_EQ(store.AddEvent(MakeEvent("A", "S", Ticks(2024, 3, 5, 21))).status, AddEventStatus::Duplicate);
    Add("A", Ticks(2024, 3, 5, 22));
    EXPECT_EQ(store.Count(), 2u);
    // A duplicate of an event filed under a day that is not shown.
    EXPECT_EQ(store.AddEvent(MakeEvent("Z", "S", Ticks(2024, 4, 1))).status, AddEventStatus::Filed);
    EXPECT_EQ(store.AddEvent(MakeEvent("Z", "S", Ticks(2024, 4, 1))).status, AddEventStatus::Duplicate);
}

TEST_F(EventStoreTest, EventWithoutTimeIsRefused) {
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.AddEvent(MakeEvent("A", "S", 0)).status, AddEventStatus::Rejected);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_TRUE(log.Contains("W OwEventManager refused an event without a valid time: A occ. S"));
}

// Adding an event of another day must leave the shown records (and everything that
// refers to them) alone.
TEST_F(EventStoreTest, EventOfAnotherDayIsFiledWithoutReloadingTheShownDays) {
    ASSERT_TRUE(store.Load());
    const OwEventId id = Add("A", Ticks(2024, 3, 5, 21));
    const OwEvent* record = store.Find(id);
    ASSERT_TRUE(store.PrepareRecording({}).has_value());
    store.UpdateEvent(id, [](OwEvent& e) { e.RecordingComment1 = "typed"; });
    CountingListener listener;
    store.AddListener(&listener);

    const AddEventResult r = store.AddEvent(MakeEvent("Far", "S", Ticks(2024, 3, 20, 3)));
    EXPECT_EQ(r.status, AddEventStatus::Filed);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(store.Find(id), record);
    EXPECT_EQ(store.PendingEvent(), record);
    EXPECT_EQ(record->RecordingComment1, "typed");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"A occ. S"}));
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 20)), (std::vector<std::string>{"Far occ. S"}));
    EXPECT_EQ(listener.changed, 1);

    // An event of the shown second day goes straight into the list.
    EXPECT_EQ(store.AddEvent(MakeEvent("Next", "S", Ticks(2024, 3, 6, 2))).status, AddEventStatus::Added);
    EXPECT_EQ(store.Find(id), record);
}

TEST_F(EventStoreTest, EmptyDaysWriteEmptyFiles) {
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile(DayFile(2024, 3, 5)), "<Events></Events>");
    EXPECT_EQ(ReadFile(DayFile(2024, 3, 6)), "<Events></Events>");
}

TEST_F(EventStoreTest, CountdownIsInWholeSecondsAndNextEventIsTheSoonestAhead) {
    ASSERT_TRUE(store.Load());
    const uint64_t halfSecond = kEventTicksPerSecond / 2;
    const OwEventId past = Add("Past", now - 3 * halfSecond);
    const OwEventId soon = Add("Soon", now + halfSecond);
    const OwEventId next = Add("Next", now + 3 * halfSecond);
    store.UpdateTimeToEvent();
    EXPECT_EQ(store.Find(past)->SecondsToEvent, -1);
    EXPECT_EQ(store.Find(soon)->SecondsToEvent, 0);
    EXPECT_EQ(store.Find(next)->SecondsToEvent, 1);
    EXPECT_EQ(store.NextEvent(), store.Find(next));
    EXPECT_EQ(store.NextEvents(5).size(), 1u);

    // An edit that moves an event ahead of the others: the soonest counts, not list order.
    Add("Later", now + 100 * kEventTicksPerSecond);
    store.UpdateEvent(next, [&](OwEvent& e) { e.EventTime = now + 200 * kEventTicksPerSecond; });
    EXPECT_EQ(store.NextEvent()->AsteroidName, "Later");
}

TEST_F(EventStoreTest, CountdownBeyondThe32BitRangeKeepsItsSign) {
    // 100 years on: more seconds than a signed 32-bit count holds. The event is filed under
    // its own day, so the shown days are moved there to count down to it.
    ASSERT_TRUE(store.Load());
    const uint64_t far = Ticks(2124, 3, 5, 12);
    store.AddEvent(MakeEvent("Far", "S", far));
    ASSERT_TRUE(store.SetStartDate({2124, 3, 5}));
    ASSERT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.Events()[0]->SecondsToEvent, static_cast<int64_t>((far - now) / kEventTicksPerSecond));
    EXPECT_GT(store.Events()[0]->SecondsToEvent, int64_t{1} << 31);
    EXPECT_EQ(store.NextEvent(), store.Events()[0]);
}

TEST_F(EventStoreTest, TickCountsDownOncePerSecondAndLoadsFirst) {
    CountingListener listener;
    store.AddListener(&listener);
    WriteFile(dataDir.Path() + "/marker", "");
    store.Tick();  // loads the store
    EXPECT_TRUE(store.IsLoaded());
    const int afterLoad = listener.countdowns;
    for (int i = 0; i < 15; ++i) {
        now += kEventTicksPerSecond / 5;  // the 200 ms tick
        store.Tick();
    }
    EXPECT_EQ(listener.countdowns - afterLoad, 3);
    store.AddListener(&listener);
    store.RemoveListener(&listener);
    now += kEventTicksPerSecond;
    store.Tick();
    EXPECT_EQ(listener.countdowns - afterLoad, 3);
}

TEST_F(EventStoreTest, TickFilesTheEventsOfTheInbox) {
    ASSERT_TRUE(store.Load());
    store.Inbox().Push(MakeEvent("A", "S", Ticks(2024, 3, 5, 20)));
    store.Inbox().Push(MakeEvent("A", "S", Ticks(2024, 3, 5, 20)));
    store.Inbox().Push(MakeEvent("B", "S", Ticks(2024, 3, 9, 20)));
    EXPECT_EQ(store.Count(), 0u);  // nothing happens on the feed's side
    store.Tick();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"A occ. S"}));
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 9)), (std::vector<std::string>{"B occ. S"}));
    EXPECT_EQ(store.Inbox().Size(), 0u);
}

// Counts the day files written into a folder: each write renames a finished file over
// the old one, which inotify reports once per write.
class DayFileWrites {
public:
    explicit DayFileWrites(const std::string& folder) {
        fs::create_directories(folder);
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        EXPECT_GE(fd_, 0);
        EXPECT_GE(::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO), 0);
    }
    ~DayFileWrites() { ::close(fd_); }
    // Writes per file name since the last call.
    std::map<std::string, int> Take() {
        std::map<std::string, int> writes;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof(buffer));
            if (n <= 0) return writes;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) ++writes[event->name];
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int fd_ = -1;
};

TEST_F(EventStoreTest, AFloodOfFeedEventsWritesEachDayFileOncePerTick) {
    ASSERT_TRUE(store.Load());
    DayFileWrites writes(dataDir.Path() + "/Events");
    constexpr int kPerDay = 25;
    for (int i = 0; i < kPerDay; ++i) {
        store.Inbox().Push(MakeEvent("A" + std::to_string(i), "S", Ticks(2024, 3, 5, 20) + i));
        store.Inbox().Push(MakeEvent("B" + std::to_string(i), "S", Ticks(2024, 3, 9, 20) + i));  // not shown
        store.Inbox().Push(MakeEvent("C" + std::to_string(i), "S", Ticks(2024, 3, 10, 20) + i));
    }
    store.Inbox().Push(MakeEvent("B0", "S", Ticks(2024, 3, 9, 20)));  // twice in one tick
    store.Tick();
    EXPECT_EQ(writes.Take(), (std::map<std::string, int>{
                                 {"events_20240305.xml", 1}, {"events_20240309.xml", 1}, {"events_20240310.xml", 1}}));
    EXPECT_EQ(store.Count(), static_cast<std::size_t>(kPerDay));
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 5)).size(), static_cast<std::size_t>(kPerDay));
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 9)).size(), static_cast<std::size_t>(kPerDay));
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 10)).size(), static_cast<std::size_t>(kPerDay));
    EXPECT_EQ(log.MessagesStartingWith("I OwEventManager: event from the feed already known: B0 occ. S").size(), 1u);

    // The next tick adds the day after and the events filed before; an event already known
    // writes nothing.
    store.Inbox().Push(MakeEvent("D", "S", Ticks(2024, 3, 6, 1)));
    store.Inbox().Push(MakeEvent("B1", "S", Ticks(2024, 3, 9, 20) + 1));
    store.Tick();
    EXPECT_EQ(writes.Take(), (std::map<std::string, int>{{"events_20240306.xml", 1}}));
    store.Tick();
    EXPECT_TRUE(writes.Take().empty()) << "an empty inbox writes nothing";
}

TEST_F(EventStoreTest, EventsAndIdsSurviveARestartAndADayShift) {
    {
        OwEventManager first(dataDir.Path(), [this] { return now; });
        ASSERT_TRUE(first.Load());
        first.AddEvent(MakeEvent("A", "S", Ticks(2024, 3, 5, 21)));
        first.AddEvent(MakeEvent("B", "S", Ticks(2024, 3, 6, 21)));
    }
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(Titles(), (std::vector<std::string>{"A occ. S", "B occ. S"}));
    const OwEventId b = store.Events()[1]->id;
    ASSERT_TRUE(store.ShiftStartDate(1));
    EXPECT_EQ(Titles(), (std::vector<std::string>{"B occ. S"}));
    EXPECT_EQ(store.Events()[0]->id, b);
    ASSERT_TRUE(store.ShiftStartDate(-1));
    EXPECT_EQ(store.Events()[1]->id, b);
    EXPECT_NE(store.Events()[0]->id, b);
}

TEST_F(EventStoreTest, DamagedDayFileIsKeptBesideAndReported) {
    {
        OwEventManager first(dataDir.Path(), [this] { return now; });
        ASSERT_TRUE(first.Load());
        first.AddEvent(MakeEvent("A", "S", Ticks(2024, 3, 5, 20)));
        first.AddEvent(MakeEvent("B", "S", Ticks(2024, 3, 5, 21)));
    }
    const std::string path = DayFile(2024, 3, 5);
    std::string damaged = ReadFile(path);
    damaged.resize(damaged.size() - 200);  // cut into the second event
    WriteFile(path, damaged);

    ASSERT_TRUE(store.Load());
    EXPECT_EQ(Titles(), (std::vector<std::string>{"A occ. S"}));
    EXPECT_EQ(ReadFile(path + ".damaged"), damaged);
    EXPECT_EQ(TitlesIn(path), (std::vector<std::string>{"A occ. S"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(path + ".damaged"), std::string::npos);
    EXPECT_TRUE(log.Contains("W OwEventManager kept the damaged events file as " + path + ".damaged"));

    // A second damage does not replace the first copy.
    WriteFile(path, "not xml");
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(ReadFile(path + ".damaged"), damaged);
    EXPECT_EQ(ReadFile(path + ".damaged-2"), "not xml");
    EXPECT_EQ(store.Count(), 0u);
}

// The command line and the window hold stores on one folder: what one of them wrote is
// taken in by the other's next save, never dropped. An event added there is kept, an event
// edited only there keeps that edit, an event deleted here stays deleted.
TEST_F(EventStoreTest, TwoStoresOnOneFolderKeepEachOthersChanges) {
    OwEventManager cli(dataDir.Path(), [this] { return now; });
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(cli.Load());

    ASSERT_EQ(cli.AddEvent(MakeEvent("Imported", "S", Ticks(2024, 3, 5, 20))).status, AddEventStatus::Added);
    store.Inbox().Push(MakeEvent("Feed", "S", Ticks(2024, 3, 5, 21)));
    store.Tick();
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 5)), (std::vector<std::string>{"Imported occ. S", "Feed occ. S"}));
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Imported occ. S", "Feed occ. S"}));
    EXPECT_FALSE(log.MessagesStartingWith("I OwEventManager: the events file was changed by another program").empty());

    // The command line edits the imported event (it learns of the feed event on the way);
    // the window deletes the feed event and adds one of the next day.
    const OwEvent* imported = nullptr;
    for (const OwEvent* e : cli.Events()) imported = e->AsteroidName == "Imported" ? e : imported;
    ASSERT_NE(imported, nullptr);
    ASSERT_EQ(cli.UpdateEvent(imported->id, [](OwEvent& e) { e.RecordingComment1 = "clouds"; }), EventChange::Saved);
    OwEventId feed = 0;
    for (const OwEvent* e : store.Events()) feed = e->AsteroidName == "Feed" ? e->id : feed;
    ASSERT_EQ(store.DeleteEvent(feed), EventChange::Saved);
    Add("Tomorrow", Ticks(2024, 3, 6, 1));

    OwEventManager later(dataDir.Path(), [this] { return now; });
    ASSERT_TRUE(later.Load());
    std::vector<std::string> titles;
    for (const OwEvent* e : later.Events()) titles.push_back(e->GetTitle());
    EXPECT_EQ(titles, (std::vector<std::string>{"Imported occ. S", "Tomorrow occ. S"}));
    EXPECT_EQ(later.Events().front()->RecordingComment1, "clouds");
    EXPECT_EQ(store.Events().front()->RecordingComment1, "clouds");
}

TEST_F(EventStoreTest, FailedSaveIsReported) {
    ASSERT_TRUE(store.Load());
    // A folder where the second day's file should be: it cannot be replaced.
    fs::create_directories(DayFile(2024, 3, 6));
    const AddEventResult r = store.AddEvent(MakeEvent("A", "S", Ticks(2024, 3, 6, 20)));
    EXPECT_EQ(r.status, AddEventStatus::Added);
    EXPECT_FALSE(r.saved);
    EXPECT_FALSE(store.Save());
    ASSERT_EQ(ui.messages.size(), 1u);  // shown once while saves keep failing
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_FALSE(log.MessagesStartingWith("E OwEventManager failed to save the events file").empty());
}

TEST_F(EventStoreTest, UnreachableDataFolderLeavesTheStoreUnloadedAndRetriesAMinuteLater) {
    WriteFile(dataDir.File("file"), "");
    OwEventManager blocked(dataDir.File("file"), [this] { return now; });
    blocked.SetUiServices(&ui);
    EXPECT_FALSE(blocked.Load());
    EXPECT_EQ(blocked.AddEvent(MakeEvent("A", "S", Ticks(2024, 3, 5, 20))).status, AddEventStatus::Failed);
    EXPECT_FALSE(blocked.Save());
    EXPECT_FALSE(log.MessagesStartingWith("E OwEventManager failed to access LocalAppData (2) ").empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (test::FakeUiServices::Message{"Error", "Failed to access the application data directory.",
                                                            MessageIcon::Warning}));

    blocked.Inbox().Push(MakeEvent("B", "S", Ticks(2024, 3, 5, 20)));
    const std::size_t attempts = log.MessagesStartingWith("E OwEventManager failed").size();
    blocked.Tick();
    EXPECT_EQ(log.MessagesStartingWith("E OwEventManager failed").size(), attempts);
    now += OwEventManager::kLoadRetryTicks;
    blocked.Tick();
    EXPECT_GT(log.MessagesStartingWith("E OwEventManager failed").size(), attempts);
    EXPECT_EQ(blocked.Inbox().Size(), 1u);  // kept until the store can take it

    OwEventManager empty("", [this] { return now; });
    EXPECT_FALSE(empty.Load());
    EXPECT_TRUE(log.Contains("E OwEventManager failed to access LocalAppData 2"));
}

TEST_F(EventStoreTest, DeleteClearsPendingAndNextEvent) {
    ASSERT_TRUE(store.Load());
    const OwEventId id = Add("A", now + 60 * kEventTicksPerSecond);
    ASSERT_EQ(store.PrepareRecording({}), id);
    EXPECT_EQ(store.DeleteEvent(id), EventChange::Saved);
    EXPECT_EQ(store.NextEvent(), nullptr);
    EXPECT_EQ(store.PendingEvent(), nullptr);
    EXPECT_EQ(store.DeleteEvent(id), EventChange::NotFound);
    EventRecordingSummary recording;
    recording.startValid = true;
    EXPECT_EQ(store.AssignRecording(recording, {}), AssignOutcome::NoPendingEvent);
    EXPECT_TRUE(TitlesIn(DayFile(2024, 3, 5)).empty());
}

TEST_F(EventStoreTest, EditThatRemovesTheTimeIsRefused) {
    ASSERT_TRUE(store.Load());
    const OwEventId id = Add("A", Ticks(2024, 3, 5, 20));
    EXPECT_EQ(store.UpdateEvent(id, [](OwEvent& e) { e.EventTime = 0; }), EventChange::Refused);
    EXPECT_EQ(store.Find(id)->EventTime, Ticks(2024, 3, 5, 20));
    EXPECT_EQ(store.UpdateEvent(id, [](OwEvent& e) { e.id = 99; }), EventChange::Saved);
    EXPECT_NE(store.Find(id), nullptr);
}

// The recording's side of the store, as the station calls it.
class RecordingTieTest : public EventStoreTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(store.Load());
        eventTime = now + 120 * kEventTicksPerSecond;
        id = Add("(1) Ceres", eventTime);
        Add("(2) Pallas", eventTime + 600 * kEventTicksPerSecond);
    }
    EventRecordingSummary Around(int64_t beforeSec, int64_t afterSec) const {
        EventRecordingSummary r;
        r.startValid = true;
        r.startFileTime = eventTime - kFileTimeEpochTicks - beforeSec * kEventTicksPerSecond;
        r.endValid = true;
        r.endFileTime = eventTime - kFileTimeEpochTicks + afterSec * kEventTicksPerSecond;
        r.gpsPrecisionM = 3;
        r.gpsAveragedValues = 120;
        r.gpsLatE7 = 481234567;
        r.gpsLonE7 = -1171234567;
        r.gpsHeightM = 512;
        r.format = "ADV";
        return r;
    }
    OwEvent Reloaded() const {
        for (const OwEvent& e : OwEventFile::Read(DayFile(2024, 3, 5)).events) {
            if (e.AsteroidName == "(1) Ceres") return e;
        }
        return {};
    }

    uint64_t eventTime = 0;
    OwEventId id = 0;
};

TEST_F(RecordingTieTest, PrepareFillsTheCameraFieldsOfTheNextEvent) {
    CameraSnapshot camera;
    camera.gainDb = "+12 dB";
    camera.modelName = "ORVA+CAM 174";
    camera.serialNumber = 4711;
    camera.sensorName = "IMX174 mono";
    camera.statusKnown = true;
    camera.exposure100us = 405;
    camera.binningX = 2;
    camera.binningY = 2;
    camera.resolutionKnown = true;
    camera.width = 1920;
    camera.height = 1200;
    ASSERT_EQ(store.PrepareRecording(camera), id);
    const OwEvent& e = *store.PendingEvent();
    EXPECT_EQ(e.CameraGainDb, "+12 dB");
    EXPECT_EQ(e.CameraModelName, "ORVA+CAM 174");
    EXPECT_EQ(e.CameraSerialNr, "4711");
    EXPECT_EQ(e.CameraSensorName, "IMX174 mono");
    EXPECT_EQ(e.CameraExposureTime, "40.5 ms");
    EXPECT_EQ(e.CameraBinning, "2x2");
    EXPECT_EQ(e.CameraWh, "1920x1200");
    EXPECT_EQ(Reloaded().CameraGainDb, "");  // written when the recording ends

    // Without status and resolution those fields stay as they were.
    CameraSnapshot bare;
    bare.gainDb = "0 dB";
    store.PrepareRecording(bare);
    EXPECT_EQ(store.PendingEvent()->CameraExposureTime, "40.5 ms");
    EXPECT_EQ(store.PendingEvent()->CameraGainDb, "0 dB");

    const std::vector<const OwEvent*> copy = store.NextEvents(3);
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_EQ(copy[1]->AsteroidName, "(2) Pallas");
}

TEST_F(RecordingTieTest, NoNextEventNoPendingEvent) {
    now += 3600 * kEventTicksPerSecond;
    store.UpdateTimeToEvent();
    EXPECT_EQ(store.PrepareRecording({}), std::nullopt);
    EXPECT_EQ(store.AssignRecording(Around(10, 10), {}), AssignOutcome::NoPendingEvent);
}

TEST_F(RecordingTieTest, AssignWritesTimesGpsAndEquipment) {
    store.PrepareRecording({});
    const RecordingEquipment equipment{"J. Doe", "Home", "C8", "EQ6"};
    ASSERT_EQ(store.AssignRecording(Around(30, 30), equipment), AssignOutcome::Assigned);
    EXPECT_EQ(store.PendingEvent(), nullptr);
    EXPECT_TRUE(ui.questions.empty());

    const OwEvent e = Reloaded();
    const uint64_t eventMs = (eventTime / 10000) % 86400000;
    EXPECT_EQ(e.RecordingStartTimestamp_ms, eventMs - 30000);
    EXPECT_EQ(e.RecordingEndTimestamp_ms, eventMs + 30000);
    EXPECT_EQ(e.RecordingStartTimestamp_valid, 1);
    EXPECT_EQ(e.RecordingStartTimestamp_acc_ms, 1u);
    EXPECT_EQ(e.RecordingEndTimestamp_acc_ms, 1u);
    EXPECT_EQ(e.RecordingGpsPrecision_m, 3);
    EXPECT_EQ(e.RecordingGpsNofAveragedValues, 120u);
    EXPECT_EQ(e.RecordingGpsAvgLatE7, 481234567);
    EXPECT_EQ(e.RecordingGpsAvgLonE7, -1171234567);
    EXPECT_EQ(e.RecordingGpsAvgHeight_m, 512);
    EXPECT_EQ(e.RecordingFormat, "ADV");
    EXPECT_EQ(e.RecordingObserver, "J. Doe");
    EXPECT_EQ(e.RecordingObservingSite, "Home");
    EXPECT_EQ(e.RecordingInstrument, "C8");
    EXPECT_EQ(e.RecordingMount, "EQ6");
}

TEST_F(RecordingTieTest, StartJustBeforeMidnightRoundsToZero) {
    store.PrepareRecording({});
    EventRecordingSummary r = Around(30, 30);
    r.startFileTime = Ticks(2024, 3, 5, 23, 59, 59, 999) + 6000 - kFileTimeEpochTicks;  // 23:59:59.9996
    r.endValid = false;
    ui.yesNoReplies.push_back(true);  // the start lies after the event
    ASSERT_EQ(store.AssignRecording(r, {}), AssignOutcome::Assigned);
    const OwEvent e = Reloaded();
    EXPECT_EQ(e.RecordingStartTimestamp_ms, 0u);
    EXPECT_EQ(e.RecordingEndTimestamp_valid, 0);
    EXPECT_EQ(e.RecordingEndTimestamp_acc_ms, 9999u);
}

TEST_F(RecordingTieTest, RecordingThatMissesTheEventAsksFirst) {
    store.PrepareRecording({});
    ASSERT_EQ(store.AssignRecording(Around(60, -10), {}), AssignOutcome::Declined);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].title, "Time mismatch");
    EXPECT_EQ(ui.questions[0].text,
              "The recording doesn't include the start and end time of the event. Do you still want to assign the "
              "recording to the event?");
    EXPECT_EQ(store.PendingEvent(), nullptr);
    EXPECT_EQ(store.Find(id)->RecordingStartTimestamp_valid, 0);

    store.PrepareRecording({});
    ui.yesNoReplies.push_back(true);
    EXPECT_EQ(store.AssignRecording(Around(-5, 60), {}), AssignOutcome::Assigned);
    EXPECT_EQ(Reloaded().RecordingEndTimestamp_valid, 1);

    // Without a user interface the recording is kept with the event.
    store.SetUiServices(nullptr);
    store.PrepareRecording({});
    EXPECT_EQ(store.AssignRecording(Around(60, -10), {}), AssignOutcome::Assigned);

    store.PrepareRecording({});
    EventRecordingSummary none;
    EXPECT_EQ(store.AssignRecording(none, {}), AssignOutcome::NoTimes);
}

TEST_F(RecordingTieTest, PendingEventSurvivesAChangeOfTheShownDays) {
    CameraSnapshot camera;
    camera.gainDb = "+6 dB";
    store.PrepareRecording(camera);
    ASSERT_TRUE(store.ShiftStartDate(5));
    EXPECT_EQ(store.Count(), 0u);
    ASSERT_NE(store.PendingEvent(), nullptr);
    ASSERT_EQ(store.AssignRecording(Around(30, 30), {"Obs", "", "", ""}), AssignOutcome::Assigned);
    EXPECT_EQ(Reloaded().RecordingObserver, "Obs");
    EXPECT_EQ(Reloaded().CameraGainDb, "+6 dB");
    EXPECT_EQ(TitlesIn(DayFile(2024, 3, 5)).size(), 2u);

    // Shown again while pending: the pending record is the one in the list.
    store.SetStartDateToday();
    store.UpdateTimeToEvent();
    store.PrepareRecording(camera);
    const OwEvent* pending = store.PendingEvent();
    ASSERT_TRUE(store.ShiftStartDate(1));
    ASSERT_TRUE(store.ShiftStartDate(-1));
    EXPECT_EQ(store.Find(id), pending);
}

}  // namespace
}  // namespace orva
