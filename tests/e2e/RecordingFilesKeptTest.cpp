// Recordings never take each other's names: the station started beside files of the names
// it would write, two stations recording into one folder at once, and a dark taken twice
// on one day each keep every file whole and report the name actually written.

#include "e2e/CliStationRun.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace orva {
namespace {

// "YYYYMMDD_HHMMSS" of a UTC time, as recording names begin.
std::string NameTime(std::time_t t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof(text), "%Y%m%d_%H%M%S", &utc);
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(CliStationRun, RecordingBesideFilesOfItsNamesLeavesThemAndTakesTheNextNumber) {
    const std::string out = dir.File("rec");
    const Outcome first = Run(Record("ser", "20", out, {"--csv"}));
    ASSERT_EQ(first.code, 0) << first.err;
    ASSERT_EQ(first.Written().size(), 2u) << first.out;
    // What follows the time in the names: resolution, gain, exposure, extension.
    const std::string serTail = std::filesystem::path(first.Written()[0]).filename().string().substr(15);
    const std::string csvTail = std::filesystem::path(first.Written()[1]).filename().string().substr(15);
    ASSERT_TRUE(EndsWith(serTail, ".ser")) << serTail;

    // Files of every name the next run can take within a minute.
    std::map<std::string, std::string> earlier;
    const std::time_t now = std::time(nullptr);
    for (std::time_t t = now - 1; t <= now + 60; ++t) {
        for (const std::string& tail : {serTail, csvTail}) {
            const std::string path = out + "/" + NameTime(t) + tail;
            if (std::filesystem::exists(path)) continue;
            earlier[path] = "an earlier file named " + path;
            test::WriteFile(path, earlier[path]);
        }
    }
    const std::string firstBytes = test::ReadFile(first.Written()[0]);

    const Outcome second = Run(Record("ser", "20", out, {"--csv"}));
    ASSERT_EQ(second.code, 0) << second.err;
    const auto written = second.Written();
    ASSERT_EQ(written.size(), 2u) << second.out;
    EXPECT_TRUE(EndsWith(written[0], "_2.ser")) << written[0];
    EXPECT_TRUE(EndsWith(written[1], "_2.csv")) << written[1];
    // Compared as a whole: a recording's bytes make no readable failure message.
    for (const auto& [path, bytes] : earlier) EXPECT_TRUE(test::ReadFile(path) == bytes) << path << " was changed";
    EXPECT_TRUE(test::ReadFile(first.Written()[0]) == firstBytes) << "the first recording was changed";
    for (const std::string& file : written) {
        const Outcome inspect = Run({"inspect", file});
        EXPECT_EQ(inspect.code, 0) << inspect.err;
        EXPECT_TRUE(HasLine(inspect.OutLines(), "frames: 20")) << inspect.out;
        EXPECT_TRUE(HasLine(inspect.OutLines(), "result: sound")) << inspect.out;
    }
    EXPECT_TRUE(HasLine(LogMessages(), "W File name in use, recording into: " + written[0]));
}

TEST_F(CliStationRun, TwoRecordingsStartedTogetherIntoOneFolderKeepBoth) {
    const std::string out = dir.File("rec");
    const pid_t a = Start(Record("ser", "200", out, {"--csv"}));
    const pid_t b = Start(Record("ser", "200", out, {"--csv"}));
    const Outcome first = Wait(a);
    const Outcome second = Wait(b);
    std::vector<const Outcome*> recorded;
    for (const Outcome* o : {&first, &second}) {
        if (o->code == 0) {
            recorded.push_back(o);
        } else {
            // A station may refuse a folder another one records into, saying so.
            EXPECT_TRUE(o->Written().empty()) << o->out;
            EXPECT_NE(o->err.find("orvacam-cli record: "), std::string::npos) << o->err;
        }
    }
    ASSERT_GE(recorded.size(), 1u) << first.err << second.err;
    std::vector<std::string> files;
    for (const Outcome* o : recorded) {
        ASSERT_EQ(o->Written().size(), 2u) << o->out;
        for (const std::string& file : o->Written()) files.push_back(file);
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(std::adjacent_find(files.begin(), files.end()), files.end()) << "a name was written twice";
    for (const std::string& file : files) {
        const Outcome inspect = Run({"inspect", file});
        EXPECT_EQ(inspect.code, 0) << inspect.err;
        EXPECT_TRUE(HasLine(inspect.OutLines(), "frames: 200")) << file << "\n" << inspect.out;
        EXPECT_TRUE(HasLine(inspect.OutLines(), "result: sound")) << file << "\n" << inspect.out;
    }
}

TEST_F(CliStationRun, DarkTakenTwiceOnOneDayKeepsBoth) {
    const std::string out = dir.File("dark");
    const Outcome first = Run(Record("dark", "4", out));
    ASSERT_EQ(first.code, 0) << first.err;
    ASSERT_EQ(first.Written().size(), 1u) << first.out;
    const std::string firstBytes = test::ReadFile(first.Written()[0]);
    ASSERT_FALSE(firstBytes.empty());

    const Outcome second = Run(Record("dark", "4", out));
    ASSERT_EQ(second.code, 0) << second.err;
    ASSERT_EQ(second.Written().size(), 1u) << second.out;
    const std::string name = first.Written()[0];
    EXPECT_EQ(second.Written()[0], name.substr(0, name.size() - 5) + "_2.fits");
    EXPECT_TRUE(test::ReadFile(name) == firstBytes) << "the first dark was changed";
    for (const std::string& file : {first.Written()[0], second.Written()[0]}) {
        const Outcome inspect = Run({"inspect", file});
        EXPECT_EQ(inspect.code, 0) << inspect.err;
        EXPECT_TRUE(HasLine(inspect.OutLines(), "image type: Dark Frame")) << inspect.out;
    }
    // Only the two images: no claim or temporary file is left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(out)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2);
}

}  // namespace
}  // namespace orva
