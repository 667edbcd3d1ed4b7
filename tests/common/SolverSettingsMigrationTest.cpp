#include "common/SolverSettingsMigration.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

class TopicCounter : public NotificationReceiver {
public:
    void Notify(const std::string& topic) override { topics.push_back(topic); }
    std::vector<std::string> topics;
};

TEST(SolverSettingsMigration, ChoosesTheSolverFromTheOldServerText) {
    const struct {
        const char* oldUrl;
        const char* oldKey;
        const char* program;
        const char* astrometryNetPath;
        const char* astrometryNetKey;
        const char* ansvrPath;
        const char* logLine;
    } cases[] = {
        {"nova.astrometry.net", "k1", "astrometry.net", "nova.astrometry.net", "k1", "127.0.0.1:8088",
         "I Using astrometry.net solver at URL: nova.astrometry.net"},
        {"http://nova.astrometry.net:80", "k2", "astrometry.net", "http://nova.astrometry.net:80", "k2",
         "127.0.0.1:8088", "I Using astrometry.net solver at URL: http://nova.astrometry.net:80"},
        // The host is compared case-sensitively: this is some other server.
        {"NOVA.astrometry.net", "k3", "ansvr", "nova.astrometry.net", "", "NOVA.astrometry.net",
         "I Using ansvr solver at URL: NOVA.astrometry.net"},
        {"", "k4", "astrometry.net", "nova.astrometry.net", "", "127.0.0.1:8088",
         "I Using astrometry.net solver at default URL"},
        {"192.168.1.20:8080", "k5", "ansvr", "nova.astrometry.net", "", "192.168.1.20:8080",
         "I Using ansvr solver at URL: 192.168.1.20:8080"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oldUrl);
        test::TempDir dir;
        test::WriteFile(dir.File(Settings::kFileName), std::string("[Settings]\nPlateSolvingUrl=") + c.oldUrl +
                                                           "\nPlateSolvingApiKey=" + c.oldKey + "\n");
        NotificationCenter center;
        TopicCounter solverChanged;
        center.Subscribe(&solverChanged, kTopicSolverChanged);
        test::LogCapture log;
        {
            Settings settings(dir.Path(), center);
            settings.Load();
            EXPECT_TRUE(SolverSettingsMigration::MigrateSolverSettings(settings));
        }
        EXPECT_TRUE(log.Contains("I No platesolver configured."));
        EXPECT_TRUE(log.Contains(c.logLine));
        EXPECT_FALSE(solverChanged.topics.empty());
        // Saved: the next start finds the solver.
        Settings again(dir.Path(), center);
        again.Load();
        EXPECT_EQ(again.PlateSolvingProgram(), c.program);
        EXPECT_EQ(again.PlateSolvingAstrometryNetPath(), c.astrometryNetPath);
        EXPECT_EQ(again.PlateSolvingAstrometryNetApiKey(), c.astrometryNetKey);
        EXPECT_EQ(again.PlateSolvingAnsvrPath(), c.ansvrPath);
        // The old keys stay.
        EXPECT_EQ(again.PlateSolvingUrl, c.oldUrl);
        EXPECT_EQ(again.PlateSolvingApiKey, c.oldKey);
    }
}

TEST(SolverSettingsMigration, FirstStartGetsThePublicService) {
    test::TempDir dir;
    NotificationCenter center;
    Settings settings(dir.Path(), center);
    settings.Load();
    EXPECT_TRUE(SolverSettingsMigration::MigrateSolverSettings(settings));
    EXPECT_EQ(settings.PlateSolvingProgram(), "astrometry.net");
    EXPECT_EQ(settings.PlateSolvingAstrometryNetPath(), "nova.astrometry.net");
}

TEST(SolverSettingsMigration, AChosenSolverIsLeftAlone) {
    for (const char* program : {"ansvr", "solve-field", "something-else"}) {
        test::TempDir dir;
        test::WriteFile(dir.File(Settings::kFileName),
                        std::string("[Settings]\nPlateSolvingUrl=10.0.0.1\nPlateSolvingProgram=") + program + "\n");
        NotificationCenter center;
        Settings settings(dir.Path(), center);
        settings.Load();
        test::LogCapture log;
        EXPECT_FALSE(SolverSettingsMigration::MigrateSolverSettings(settings));
        EXPECT_FALSE(log.Contains("I No platesolver configured."));
        EXPECT_EQ(settings.PlateSolvingProgram(), program);
        EXPECT_EQ(settings.PlateSolvingAnsvrPath(), "127.0.0.1:8088");
    }
}

}  // namespace
}  // namespace orva
