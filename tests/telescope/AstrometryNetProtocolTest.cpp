#include "telescope/AstrometryNetProtocol.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orva {
namespace {

TEST(AstrometryNetProtocol, LoginBodyCarriesTheKeyInTheFormFieldAndEscapesIt) {
    EXPECT_EQ(AstrometryNetProtocol::LoginBody("abcdef123"),
              "request-json=%7B%22apikey%22%3A+%22abcdef123%22%7D");
    EXPECT_EQ(AstrometryNetProtocol::LoginBody(""), "request-json=%7B%22apikey%22%3A+%22%22%7D");
    // A quote, a backslash, '&' and '=' cannot break out of the JSON string or the form field.
    EXPECT_EQ(AstrometryNetProtocol::LoginBody("a\"b\\c&d=e"),
              "request-json=%7B%22apikey%22%3A+%22a%5C%22b%5C%5Cc%26d%3De%22%7D");
}

TEST(AstrometryNetProtocol, UploadHeadPutsTheScaleThenThePositionHint) {
    AstrometryNetHints hints{true, 5.5, -10.25, 1.5};
    const std::string head = AstrometryNetProtocol::UploadHead("----42", "s1", hints);
    EXPECT_EQ(head,
              "------42\r\nContent-Type: text/plain\r\nMIME-Version: 1.0\r\n"
              "Content-disposition: form-data; name=\"request-json\"\r\n\r\n"
              "{\"publicly_visible\": \"y\", \"allow_modifications\": \"d\", \"session\": \"s1\", "
              "\"allow_commercial_use\": \"d\", \"scale_units\":\"arcsecperpix\", \"scale_type\": \"ev\","
              "\"scale_est\":1.500000,\"scale_err\":20.0, \"center_ra\":82.500000, \"center_dec\": -10.250000, "
              "\"radius\": 15}\r\n------42\r\nContent-Type: application/octet-stream\r\nMIME-Version: 1.0\r\n"
              "Content-disposition: form-data; name=\"file\"; filename = \"file.fits\"\r\n\r\n");
    EXPECT_EQ(AstrometryNetProtocol::UploadTail("----42"), "\r\n\r\n------42--\r\n");
    // A session text from the server is escaped too.
    EXPECT_NE(AstrometryNetProtocol::UploadHead("b", "x\", \"evil\": \"1", {}).find("\"session\": \"x\\\", \\\"evil"),
              std::string::npos);
}

TEST(AstrometryNetProtocol, SubmissionStatusTexts) {
    struct Case {
        const char* answer;
        const char* text;
        std::vector<int> jobs;
    } cases[] = {
        {R"({"processing_started": "None", "jobs": []})", "Waiting for processing to start...", {}},
        {R"({"processing_started": "2024-01-01", "jobs": []})", "Processing has started, waiting for completion...", {}},
        {R"({"processing_started": "2024-01-01", "jobs": [123]})", "Processing job 123...", {123}},
        {R"({"processing_started": "x", "jobs": [123, 7], "processing_finished": "y"})",
         "Processing has finished, fetching result...", {123, 7}},
        {R"({"processing_started": "0", "processing_finished": "None"})", "Waiting for processing to start...", {5}},
    };
    for (const Case& c : cases) {
        std::vector<int> jobs{5};
        EXPECT_EQ(AstrometryNetProtocol::ParseSubmissionStatus(c.answer, jobs), c.text) << c.answer;
        EXPECT_EQ(jobs, c.jobs) << c.answer;
    }
}

TEST(AstrometryNetProtocol, JobStatus) {
    EXPECT_EQ(AstrometryNetProtocol::ParseJobStatus(R"({"status": "success"})"), AstrometryNetProtocol::kJobSucceeded);
    EXPECT_EQ(AstrometryNetProtocol::ParseJobStatus(R"({"status": "solving"})"), AstrometryNetProtocol::kJobRunning);
    EXPECT_EQ(AstrometryNetProtocol::ParseJobStatus(R"({"status": "processing"})"), AstrometryNetProtocol::kJobRunning);
    EXPECT_EQ(AstrometryNetProtocol::ParseJobStatus(R"({"status": "failure"})"), AstrometryNetProtocol::kJobFailed);
    EXPECT_EQ(AstrometryNetProtocol::ParseJobStatus("{}"), AstrometryNetProtocol::kJobFailed);
}

TEST(AstrometryNetProtocol, SubmissionIdMustBeAWholeNumberInRange) {
    EXPECT_EQ(AstrometryNetProtocol::ParseSubmissionId(R"({"status": "success", "subid": 4711})"), 4711);
    EXPECT_FALSE(AstrometryNetProtocol::ParseSubmissionId(R"({"subid": nan})"));
    EXPECT_FALSE(AstrometryNetProtocol::ParseSubmissionId(R"({"subid": 1e20})"));
    EXPECT_FALSE(AstrometryNetProtocol::ParseSubmissionId(R"({"subid": -3})"));
    EXPECT_FALSE(AstrometryNetProtocol::ParseSubmissionId(R"({"status": "error"})"));
}

TEST(AstrometryNetProtocol, CalibrationWithoutFieldSize) {
    const auto answer = AstrometryNetProtocol::ParseCalibration(R"({"ra": 83.8, "dec": -5.4, "pixscale": 1.25})");
    EXPECT_TRUE(answer.solution.coordinatesValid);
    EXPECT_DOUBLE_EQ(answer.solution.rightAscensionDeg, 83.8);
    EXPECT_DOUBLE_EQ(answer.solution.declinationDeg, -5.4);
    EXPECT_FALSE(answer.solution.fieldSizeValid);
    EXPECT_TRUE(answer.solution.pixelScaleValid);
    EXPECT_FALSE(answer.solution.orientationValid);
    EXPECT_EQ(answer.text, "05h 35m 12.000s, -05 24' 00.000\"   1.2\"/pix   ");
}

TEST(AstrometryNetProtocol, FullCalibration) {
    const auto answer = AstrometryNetProtocol::ParseCalibration(
        R"({"ra": 10.5, "dec": 41.25, "width_arcsec": 3600, "height_arcsec": 1800, "pixscale": 2.0, "orientation": -12.25, "parity": 1.0})");
    const PlateSolution& s = answer.solution;
    EXPECT_TRUE(s.coordinatesValid && s.fieldSizeValid && s.pixelScaleValid && s.orientationValid);
    EXPECT_EQ(s.parity, 1);
    EXPECT_DOUBLE_EQ(s.orientationDeg, -12.25);
    EXPECT_EQ(answer.text, "00h 42m 0.000s, +41 15' 00.000\"   60.0x30.0'   2.0\"/pix   Up 12.2d W of N mir");
}

TEST(AstrometryNetProtocol, NonFiniteOrOutOfRangeNumbersAreRefused) {
    const char* answers[] = {
        R"({"ra": nan, "dec": 1.0, "width_arcsec": inf, "height_arcsec": 5, "pixscale": nan, "orientation": inf, "parity": 0})",
        R"({"ra": 1.0, "dec": -infinity, "width_arcsec": -5, "height_arcsec": 5, "pixscale": 0, "orientation": 1, "parity": nan})",
        R"({"ra": 1.0, "dec": 91.0, "width_arcsec": 5, "height_arcsec": 0, "pixscale": -1, "orientation": 1e300, "parity": 0})",
    };
    for (const char* text : answers) {
        const PlateSolution s = AstrometryNetProtocol::ParseCalibration(text).solution;
        EXPECT_FALSE(s.coordinatesValid) << text;
        EXPECT_FALSE(s.fieldSizeValid) << text;
        EXPECT_FALSE(s.pixelScaleValid) << text;
        EXPECT_FALSE(s.orientationValid) << text;
    }
}

}  // namespace
}  // namespace orva
