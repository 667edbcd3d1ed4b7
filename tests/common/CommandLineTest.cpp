#include "common/CommandLine.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

const std::vector<CommandLineOption> kOptions = {
    {"camera", true, false}, {"frames", true, false}, {"fault", true, true}, {"csv", false, false}};

TEST(CommandLineTest, AcceptsOptionsInBothFormsAndOperands) {
    std::string error;
    const auto line = CommandLine::Parse({"--camera", "sim:8", "--frames=500", "--fault", "drop:5:3", "--csv",
                                          "--fault=repeat:9", "file.ser"},
                                         kOptions, 1, error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->Value("camera"), "sim:8");
    EXPECT_EQ(line->Value("frames"), "500");
    EXPECT_EQ(line->Values("fault"), (std::vector<std::string>{"drop:5:3", "repeat:9"}));
    EXPECT_TRUE(line->Has("csv"));
    EXPECT_FALSE(line->Has("mode"));
    EXPECT_EQ(line->Value("mode"), std::nullopt);
    EXPECT_EQ(line->Operands(), (std::vector<std::string>{"file.ser"}));

    // After "--" everything is an operand; an empty value is a value.
    const auto rest = CommandLine::Parse({"--camera=", "--", "--csv"}, kOptions, 1, error);
    ASSERT_TRUE(rest) << error;
    EXPECT_EQ(rest->Value("camera"), "");
    EXPECT_EQ(rest->Operands(), (std::vector<std::string>{"--csv"}));
}

TEST(CommandLineTest, MistakesGiveOneLine) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--mode", "1"}, "unknown option '--mode'"},
        {{"--camera"}, "option '--camera' needs a value"},
        {{"--csv=yes"}, "option '--csv' takes no value"},
        {{"--camera", "sim", "--camera", "sim"}, "option '--camera' is given more than once"},
        {{"a.ser", "b.ser"}, "unexpected argument 'b.ser'"},
        {{"--frames=1", "--Frames=2"}, "unknown option '--Frames'"},
    };
    for (const auto& [args, expected] : cases) {
        std::string error;
        EXPECT_FALSE(CommandLine::Parse(args, kOptions, 1, error));
        EXPECT_EQ(error, expected);
    }
}

TEST(CommandLineTest, NumbersAreWholeAndInRange) {
    const std::pair<const char*, std::optional<int64_t>> integers[] = {
        {"500", 500}, {"1", 1}, {"0", std::nullopt}, {"100001", std::nullopt}, {"-5", std::nullopt},
        {"+5", std::nullopt}, {"5x", std::nullopt}, {"", std::nullopt}, {" 5", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& [text, expected] : integers) EXPECT_EQ(CommandLine::ParseInteger(text, 1, 100000), expected) << text;

    const std::pair<const char*, std::optional<double>> decimals[] = {
        {"40", 40.0}, {"0.5", 0.5},  {"5000", 5000.0},    {"5000.1", std::nullopt}, {".5", std::nullopt},
        {"5.", std::nullopt}, {"1e3", std::nullopt}, {"-1", std::nullopt}, {"1.2.3", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [text, expected] : decimals) EXPECT_EQ(CommandLine::ParseDecimal(text, 0.1, 5000.0), expected) << text;
}

TEST(CommandLineTest, UtcTimesAreWholeCalendarTimes) {
    constexpr int64_t k20240601T220000 = 1717279200LL * 1000000000LL;
    const std::pair<const char*, std::optional<int64_t>> times[] = {
        {"2024-06-01T22:00:00", k20240601T220000},
        {"2024-06-01T22:00:00Z", k20240601T220000},
        {"2024-06-01T22:00:00.5", k20240601T220000 + 500000000},
        {"2024-06-01T22:00:00.000000001Z", k20240601T220000 + 1},
        {"2024-02-29T00:00:00", 1709164800LL * 1000000000LL},
        {"1980-01-06T00:00:00", 315964800LL * 1000000000LL},
        {"2023-02-29T00:00:00", std::nullopt},  // no such day
        {"2024-13-01T00:00:00", std::nullopt},
        {"2024-06-01T24:00:00", std::nullopt},
        {"2024-06-01T22:60:00", std::nullopt},
        {"2024-06-01T22:00:60", std::nullopt},
        {"2024-06-01 22:00:00", std::nullopt},
        {"2024-06-01T22:00", std::nullopt},
        {"2024-06-01T22:00:00.", std::nullopt},
        {"2024-06-01T22:00:00.0000000001", std::nullopt},  // finer than a nanosecond
        {"2024-06-01T22:00:00+01:00", std::nullopt},
        {"2024-06-01T22:00:00ZZ", std::nullopt},
        {"1979-12-31T23:59:59", std::nullopt},
        {"2200-01-01T00:00:00", std::nullopt},
        {"-024-06-01T22:00:00", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : times) EXPECT_EQ(CommandLine::ParseUtcTime(text), expected) << text;
}

}  // namespace
}  // namespace orva
