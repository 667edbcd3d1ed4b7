#include "common/TextFormats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace orva {
namespace {

// Degrees of d degrees, m minutes and s seconds.
double Dms(double d, double m, double s) { return d + m / 60.0 + s / 3600.0; }

TEST(TextFormats, RightAscension) {
    struct Case {
        double degrees;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, "00h 00m 0.000s"},
        {-15.0, "23h 00m 0.000s"},  // brought into 0..360 first
        {187.5, "12h 30m 0.000s"},
        {15.0 * Dms(5, 6, 10.5), "05h 06m 10.500s"},
        {15.0 * Dms(1, 59, 59.9996), "01h 59m 60.000s"},  // rounds in print, no carry
        {-375.0, "-1h 00m 0.000s"},  // only one turn is added
    };
    for (const Case& c : cases) EXPECT_EQ(FormatRightAscension(c.degrees), c.expected) << c.degrees;
}

TEST(TextFormats, Angle) {
    struct Case {
        double degrees;
        char positive;
        char negative;
        bool threeDigits;
        const char* expected;
    };
    const Case cases[] = {
        {-0.5, '+', '-', false, "-00 30' 00.000\""},
        {-0.0, '+', '-', false, "+00 00' 00.000\""},
        {-1e-12, '+', '-', false, "-00 00' 00.000\""},  // below zero keeps its sign
        {12.5, 'N', 'S', false, "N12 30' 00.000\""},
        {-33.2575, 'N', 'S', false, "S33 15' 27.000\""},
        {8.5, 'E', 'W', true, "E008 30' 00.000\""},
        {-151.25, 'E', 'W', true, "W151 15' 00.000\""},
        {Dms(1, 59, 59.9996), '+', '-', false, "+01 59' 60.000\""},
        {Dms(1, 2, 3.25), '+', '-', false, "+01 02' 03.250\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatAngle(c.degrees, c.positive, c.negative, c.threeDigits), c.expected) << c.degrees;
}

TEST(TextFormats, AngleOfNonFiniteOrHugeInputDoesNotOverflow) {
    EXPECT_EQ(FormatAngle(1e12, '+', '-', false), "+1000000000000 00' 00.000\"");
    EXPECT_FALSE(FormatAngle(std::nan(""), '+', '-', false).empty());
    EXPECT_FALSE(FormatRightAscension(std::numeric_limits<double>::infinity()).empty());
}

TEST(TextFormats, E7Angle) {
    struct Case {
        int32_t e7;
        bool threeDigits;
        const char* expected;
    };
    const Case cases[] = {
        {0, false, "+00 00 00.0"},
        {-1, false, "-00 00 00.0"},
        {81234567, false, "+08 07 24.4"},
        {81234567, true, "+008 07 24.4"},
        {-1234567890, true, "-123 27 24.4"},
        {166528, false, "+00 00 60.0"},  // 59.95008 seconds round up in print, no carry
        {std::numeric_limits<int32_t>::min(), false, "-214 44 54.1"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatE7Angle(c.e7, c.threeDigits), c.expected) << c.e7;
}

TEST(TextFormats, SignedDecimal) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {-12.5, "-  12.50000000"},  // padding between the sign and the digits
        {12.5, "  12.50000000"},
        {0.0, "   0.00000000"},
        {-0.0, "   0.00000000"},
        {-1e-10, "-   0.00000000"},  // negative, though it prints as zero
        {123456.123456789, "123456.12345679"},
        {-0.000000005, "-   0.00000001"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatSignedDecimal(c.value), c.expected) << c.value;
}

TEST(TextFormats, ParseAngle) {
    struct Case {
        const char* text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"S 12 30", -12.5},
        {"W12", -12.0},
        {"s 1", -1.0},
        {"w 1", -1.0},
        {"N 45", 45.0},
        {"E 1", 1.0},
        {"12 30 36", Dms(12, 30, 36)},
        {"-00 30", -0.5},
        {"  -12 30", -12.5},  // the sign is the first character after leading blanks
        {"+12\xC2\xB0" "30'36.5\"", Dms(12, 30, 36.5)},
        {"12:30:36.5", Dms(12, 30, 36.5)},
        {"12-30-15", Dms(12, 30, 15)},  // a '-' inside the text only separates
        {"12.5", 12.5},                 // decimals on the last number given
        {"12 30.5", Dms(12, 30.5, 0)},
        {"12 30 15 99", Dms(12, 30, 15)},  // at most three numbers
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"S", std::nullopt},
        {".", std::nullopt},
        {"12.5 30", std::nullopt},  // decimals before the last number
        {"12 30 15.5.2", std::nullopt},
        {"1.2.3", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto result = ParseAngle(c.text);
        ASSERT_EQ(result.has_value(), c.expected.has_value()) << c.text;
        if (c.expected) {
            EXPECT_DOUBLE_EQ(*result, *c.expected) << c.text;
        }
    }
}

TEST(TextFormats, ParseAngleOfHugeNumberFails) {
    EXPECT_FALSE(ParseAngle(std::string(400, '9')).has_value());
    EXPECT_DOUBLE_EQ(*ParseAngle("99999999999"), 99999999999.0);
}

TEST(TextFormats, TimeOfDay) {
    struct Case {
        uint64_t ms;
        char separator;
        const char* expected;
    };
    const Case cases[] = {
        {3723004, ':', "01:02:03.004"},
        {3723004, ' ', "01 02 03.004"},
        {0, ':', "00:00:00.000"},
        {86399999, ':', "23:59:59.999"},
        {360000000, ':', "100:00:00.000"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatTimeOfDay(c.ms, c.separator), c.expected) << c.ms;
}

TEST(TextFormats, TimeOfDayColon) {
    struct Case {
        int32_t ms;
        const char* expected;
    };
    const Case cases[] = {
        {3723004, "01:02:03.004"},
        {86399999, "23:59:59.999"},
        {-1, "-00:00:00.001"},
        {std::numeric_limits<int32_t>::min(), "-596:31:23.648"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatTimeOfDayColon(c.ms), c.expected) << c.ms;
}

TEST(TextFormats, EventTimes) {
    constexpr uint64_t kTicksPerSecond = 10000000;
    constexpr uint64_t k2000 = 630822816000000000;  // 2000-01-01 00:00:00
    struct Case {
        uint64_t ticks;
        const char* ut;
        const char* slashed;
    };
    const Case cases[] = {
        {0, "01.01.0001 00:00:00 UT", "01/01/0001 00:00:00"},
        {621355968000000000, "01.01.1970 00:00:00 UT", "01/01/1970 00:00:00"},
        {k2000, "01.01.2000 00:00:00 UT", "01/01/2000 00:00:00"},
        // Leap day; the fraction of the second is dropped, not rounded.
        {k2000 + (59 * 86400 + 13 * 3600 + 14 * 60 + 15) * kTicksPerSecond + kTicksPerSecond - 1,
         "29.02.2000 13:14:15 UT", "29/02/2000 13:14:15"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatEventTimeUt(c.ticks), c.ut);
        EXPECT_EQ(FormatEventTimeSlashed(c.ticks), c.slashed);
    }
}

TEST(TextFormats, Orientation) {
    struct Case {
        double degrees;
        int mirrored;
        const char* expected;
    };
    const Case cases[] = {
        {12.34, 0, "Up 12.3d E of N "},
        {-5.0, 1, "Up 5.0d W of N mir"},
        {-0.0, 1, "Up 0.0d E of N mir"},
        {0.0, 2, "Up 0.0d E of N "},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatOrientation(c.degrees, c.mirrored), c.expected) << c.degrees;
}

TEST(TextFormats, FindJsonNumber) {
    struct Case {
        const char* json;
        const char* key;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"{\"ra\": 1.5}", "ra", 1.5},
        {"{\"ra\":-2.25,\"dec\":3}", "dec", 3.0},
        {"{\"ra\":\t+7}", "ra", 7.0},
        {"{\"dec_ra\": 3, \"ra\": 2}", "ra", 2.0},  // an unquoted place is skipped
        {"{ra: 1.5}", "ra", std::nullopt},
        {"ra\": 1.5", "ra", std::nullopt},  // at the very start, not quoted
        {"{\"ra\": \"x\", \"ra\": 2}", "ra", std::nullopt},  // only the first place counts
        {"{\"ra\"", "ra", std::nullopt},
        {"{\"ra\":", "ra", std::nullopt},
        {"{\"ra\": +-1}", "ra", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindJsonNumber(c.json, c.key), c.expected) << c.json;
}

TEST(TextFormats, FindJsonUnsigned) {
    struct Case {
        const char* json;
        std::optional<uint64_t> expected;
    };
    const Case cases[] = {
        {"{\"subid\": 123456}", 123456},
        {"{\"subid\":18446744073709551615}", std::numeric_limits<uint64_t>::max()},
        {"{\"subid\": +7}", 7},
        {"{\"subid\": -1}", std::nullopt},  // would wrap in the C conversion
        {"{\"subid\": 18446744073709551616}", std::nullopt},
        {"{\"subid\": null}", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindJsonUnsigned(c.json, "subid"), c.expected) << c.json;
}

TEST(TextFormats, FindJsonText) {
    struct Case {
        const char* json;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"{\"status\": \"success\"}", "success"},
        {"{\"status\":\"\"}", ""},
        {"{\"status\": \"a\\\"b\"}", "a\\"},  // escapes are not interpreted
        {"{\"status\": 5, \"x\": \"y\"}", "x"},   // the next quoted text, whatever it is
        {"{\"status\": \"unterminated}", std::nullopt},
        {"{\"status\": 5}", std::nullopt},
        {"{status: \"x\"}", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindJsonText(c.json, "status"), c.expected) << c.json;

    const std::string longValue(300, 'v');
    EXPECT_EQ(FindJsonText("{\"status\": \"" + longValue + "\"}", "status"), longValue);
}

TEST(TextFormats, FindJsonIntArray) {
    using Ints = std::vector<int>;
    struct Case {
        const char* json;
        std::optional<Ints> expected;
    };
    const Case cases[] = {
        {"{\"jobs\": [1,2]}", Ints{1, 2}},
        {"{\"jobs\": [1, 2]}", Ints{1, 2}},
        {"{\"jobs\": [10, 20, 30]}", Ints{10, 20, 30}},
        {"{\"jobs\": [1 ,2]}", Ints{1, 2}},
        {"{\"jobs\": [01,2]}", Ints{1, 2}},
        {"{\"jobs\": [-3,4]}", Ints{-3, 4}},
        {"{\"jobs\": [[5,6]]}", Ints{5, 6}},
        {"{\"jobs\": [[5],[6]]}", Ints{}},
        {"{\"jobs\": [1,2] 3}", Ints{1, 2}},  // nothing is read past the ']'
        {"{\"jobs\": []}", Ints{}},
        {"{\"jobs\": [null]}", Ints{}},
        {"{\"jobs\": [1,,2]}", Ints{1}},
        {"{\"jobs\": [2147483648, 1]}", Ints{}},
        {"{\"jobs\": [1,2", Ints{}},  // no ']': found, nothing read
        {"{\"jobs\": 5}", std::nullopt},
        {"{jobs: [1]}", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindJsonIntArray(c.json, "jobs"), c.expected) << c.json;
}

TEST(TextFormats, ReplaceAll) {
    struct Case {
        const char* text;
        const char* pattern;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        {"aXbXc", "X", "YY", "aYYbYYc"},
        {"aaa", "a", "aa", "aaaaaa"},  // the replacement is not searched again
        {"aaaa", "aa", "b", "bb"},
        {"abab", "ab", "", ""},
        {"", "a", "b", ""},
        {"abc", "", "z", "abc"},
        {"%DATE% and %DATE%", "%DATE%", "2024-01-02", "2024-01-02 and 2024-01-02"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.expected) << c.text;
}

TEST(TextFormats, WidenBytes) {
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"abc 12", "abc 12"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"\xE9", "\xC3\xA9"},
        {"\x80\xFF", "\xC2\x80\xC3\xBF"},
    };
    for (const Case& c : cases) EXPECT_EQ(WidenBytes(c.bytes), c.expected);
}

}  // namespace
}  // namespace orva
