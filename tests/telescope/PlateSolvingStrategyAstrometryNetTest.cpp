#include "telescope/PlateSolvingStrategyAstrometryNet.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "telescope/CannedHttpServer.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using test::CannedHttpServer;
using test::CannedReply;

constexpr const char* kLogin = R"({"status": "success", "session": "sess42"})";
constexpr const char* kUpload = R"({"status": "success", "subid": 77})";
constexpr const char* kSubmissionDone = R"({"processing_started": "x", "processing_finished": "y", "jobs": [9]})";
constexpr const char* kJobSuccess = R"({"status": "success"})";
constexpr const char* kCalibration =
    R"({"ra": 83.8, "dec": -5.4, "width_arcsec": 10800, "height_arcsec": 6720, "pixscale": 5.6, "orientation": 30.0, "parity": 0.0})";

class WebStrategyTest : public ::testing::Test {
protected:
    WebStrategyTest() : strategy(result, server.Server(), "key-1") {
        fits = dir.File("frame.fits");
        test::WriteFile(fits, std::string(2880 * 2, 'F'));
    }

    // Logs in and submits against the canned answers for those two steps.
    void StartRun() {
        server.Reply("/api/login", {200, kLogin});
        server.Reply("/api/upload", {200, kUpload});
        ASSERT_EQ(strategy.Login(), 0);
        ASSERT_EQ(strategy.Submit(fits), 0);
    }

    test::LogCapture log;
    test::TempDir dir;
    std::string fits;
    CannedHttpServer server;
    PlateSolvingResult result;
    PlateSolvingStrategyAstrometryNet strategy;
    std::string status;
};

TEST_F(WebStrategyTest, AFullRunSendsTheProtocolAndStoresTheSolution) {
    StartRun();
    server.Reply("/api/submissions/77", {200, kSubmissionDone});
    server.Reply("/api/jobs/9", {200, kJobSuccess});
    server.Reply("/api/jobs/9/calibration", {200, kCalibration});
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingSolved);
    EXPECT_EQ(status, "05h 35m 12.000s, -05 24' 00.000\"   180.0x112.0'   5.6\"/pix   Up 30.0d E of N ");
    const PlateSolution s = result.Read();
    EXPECT_EQ(s.solutionCounter, 1u);
    EXPECT_TRUE(s.coordinatesValid && s.fieldSizeValid && s.pixelScaleValid && s.orientationValid);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "request-json=%7B%22apikey%22%3A+%22key-1%22%7D");
    EXPECT_NE(requests[0].headers.find("User-Agent: OrvaZuvArovudu"), std::string::npos);
    EXPECT_NE(requests[1].body.find("\"session\": \"sess42\""), std::string::npos);
    EXPECT_NE(requests[1].body.find(std::string(2880 * 2, 'F')), std::string::npos);
    EXPECT_EQ(requests[2].path, "/api/submissions/77");
    EXPECT_EQ(requests[4].path, "/api/jobs/9/calibration");
    EXPECT_TRUE(log.Contains("I Login succeeded, session: sess42"));
    EXPECT_TRUE(log.Contains("I Subid received: 77"));
}

TEST_F(WebStrategyTest, LoginAnswerWithoutSessionFailsEvenWithStatus400) {
    server.Reply("/api/login", {400, R"({"status": "error", "errormessage": "bad apikey"})"});
    EXPECT_EQ(strategy.Login(), -1);
    EXPECT_TRUE(log.Contains("W Login failed"));
}

TEST_F(WebStrategyTest, BadAnswersFailClearly) {
    struct Case {
        CannedReply reply;
        const char* logged;
    } cases[] = {
        {{500, "Internal error"}, "E Login request failed: 500"},
        {{404, ""}, "E Login request failed: 404"},
        {{200, "<html>not json"}, "W Login failed"},
        {{200, R"({"session": )"}, "W Login failed"},
        {{302, ""}, "E Login request failed: 500"},  // a redirect without a Location
    };
    for (const Case& c : cases) {
        CannedHttpServer other;
        other.Reply("/api/login", c.reply);
        PlateSolvingStrategyAstrometryNet s(result, other.Server(), "k");
        EXPECT_NE(s.Login(), 0) << c.logged;
        EXPECT_TRUE(log.Contains(c.logged)) << c.logged;
    }
}

TEST_F(WebStrategyTest, AnAnswerLargerThanTheCapIsRefused) {
    strategy.SetBodyLimit(1024);
    server.Reply("/api/login", {200, R"({"session": "s", "pad": ")" + std::string(4096, 'x') + "\"}"});
    EXPECT_EQ(strategy.Login(), kWebBodyTooLarge);
    EXPECT_TRUE(log.Contains("E Login request failed: " + std::to_string(kWebBodyTooLarge)));
}

TEST_F(WebStrategyTest, UploadWithoutSubmissionIdOrFileFails) {
    server.Reply("/api/login", {200, kLogin});
    server.Reply("/api/upload", {200, R"({"status": "error"})"});
    ASSERT_EQ(strategy.Login(), 0);
    EXPECT_EQ(strategy.Submit(fits), -1);
    EXPECT_EQ(strategy.Submit(dir.File("missing.fits")), -1);
}

TEST_F(WebStrategyTest, SubmissionFailuresAreToleratedTwiceInARow) {
    StartRun();
    server.Reply("/api/submissions/77", {500, ""});
    server.Reply("/api/submissions/77", {500, ""});
    server.Reply("/api/submissions/77", {200, R"({"processing_started": "None", "jobs": []})"});
    server.Reply("/api/submissions/77", {500, ""});
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingWorking);
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingWorking);
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingWorking);
    EXPECT_EQ(status, "Waiting for processing to start...");
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingWorking);
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingWorking);
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingSubmissionFailed);
}

TEST_F(WebStrategyTest, JobAndCalibrationOutcomes) {
    struct Case {
        CannedReply job;
        CannedReply calibration;
        int32_t code;
    } cases[] = {
        {{200, R"({"status": "failure"})"}, {}, kPlateSolvingNotSolved},
        {{200, R"({"status": "solving"})"}, {}, kPlateSolvingWorking},
        {{200, "garbage"}, {}, kPlateSolvingNotSolved},
        {{503, ""}, {}, kPlateSolvingJobFailed},
        {{200, kJobSuccess}, {500, ""}, kPlateSolvingCalibrationFailed},
        {{200, kJobSuccess}, {200, R"({"ra": nan, "dec": inf, "pixscale": 5.6})"}, kPlateSolvingNoCoordinates},
        {{200, kJobSuccess}, {200, "{]]"}, kPlateSolvingNoCoordinates},
    };
    for (const Case& c : cases) {
        CannedHttpServer other;
        other.Reply("/api/login", {200, kLogin});
        other.Reply("/api/upload", {200, kUpload});
        other.Reply("/api/submissions/77", {200, kSubmissionDone});
        other.Reply("/api/jobs/9", c.job);
        other.Reply("/api/jobs/9/calibration", c.calibration);
        PlateSolvingStrategyAstrometryNet s(result, other.Server(), "k");
        ASSERT_EQ(s.Login(), 0);
        ASSERT_EQ(s.Submit(fits), 0);
        EXPECT_EQ(s.Poll(status), c.code) << c.job.body << " / " << c.calibration.body;
    }
    EXPECT_FALSE(result.Read().coordinatesValid);
}

TEST_F(WebStrategyTest, NoServerListeningFailsTheLogin) {
    PlateSolvingStrategyAstrometryNet s(result, "127.0.0.1:1", "k");
    EXPECT_LT(s.Login(), 0);
}

TEST(WebClient, ServerTexts) {
    struct Case {
        const char* server;
        bool valid;
        const char* host;
        int port;
        bool secure;
    } cases[] = {
        {"127.0.0.1:8088", true, "127.0.0.1", 8088, false},
        {"localhost", true, "localhost", 0, false},
        {"127.3.2.1", true, "127.3.2.1", 0, false},
        {"nova.astrometry.net", true, "nova.astrometry.net", 0, true},
        {"192.168.1.5:8080", true, "192.168.1.5", 8080, true},
        {"127.0.0.1.evil.example", true, "127.0.0.1.evil.example", 0, true},
        {"", false, "", 0, false},
        {":80", false, "", 0, false},
        {"host:0", false, "", 0, false},
        {"host:99999", false, "", 0, false},
        {"host:80x", false, "", 0, false},
        {"user@host", false, "", 0, false},
        {"host/path", false, "", 0, false},
    };
    for (const Case& c : cases) {
        const auto address = WebClient::ParseServer(c.server);
        ASSERT_EQ(address.has_value(), c.valid) << c.server;
        if (!address) continue;
        EXPECT_EQ(address->host, c.host);
        EXPECT_EQ(address->port, c.port);
        EXPECT_EQ(address->secure, c.secure) << c.server;
    }
}

}  // namespace
}  // namespace orva
