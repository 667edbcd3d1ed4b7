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

}  // namespace
}  // namespace orva
