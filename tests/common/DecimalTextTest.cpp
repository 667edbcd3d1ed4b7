#include "common/DecimalText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace orva {
namespace {

TEST(DecimalText, IntegersReadLikeTheRuntimeConversion) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"", 0},           {"abc", 0},     {"42", 42},       {"  7", 7},
        {"-12", -12},      {"+5", 5},      {"12abc", 12},    {"3.9", 3},
        {"--4", 0},        {"- 4", 0},     {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1}, {"0010", 10},
    };
    for (const auto& c : cases) EXPECT_EQ(DecimalToInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST(DecimalText, RealsReadLikeTheRuntimeConversionWithoutLocale) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0.0},     {"x", 0.0},       {"20.5", 20.5}, {" -0.25", -0.25}, {"+3", 3.0},
        {"1,5", 1.0},  {".5", 0.5},      {"7;", 7.0},    {"--1", 0.0},      {"inf", 0.0},
        {"nan", 0.0},  {"1e999", 0.0},
    };
    for (const auto& c : cases) EXPECT_EQ(DecimalToDouble(c.text), c.expected) << '"' << c.text << '"';
}

TEST(DecimalText, FixedFormatMatchesPrintf) {
    for (double v : {0.0, 0.05, 0.15, 20.0, 33.333, -1.25, 123456.78, 1e-9}) {
        char expected[64];
        std::snprintf(expected, sizeof(expected), "%.1f", v);
        EXPECT_EQ(FormatFixed(v, 1), expected) << v;
    }
}

}  // namespace
}  // namespace orva
