#include "equipment/CodedText.h"
#include "equipment/Utf16.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orva {
namespace {

TEST(CodedText, KnownEncodings) {
    struct Case {
        std::string text;
        std::string coded;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"abc", "YQBiAGMA"},
        {"a", "YQA="},
        {"\xC3\xA4", "5AA="},              // U+00E4, one UTF-16 unit
        {"\xF0\x9D\x84\x9E", "NNge3Q=="},  // U+1D11E, a surrogate pair
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeCodedText(c.text), c.coded) << c.text;
        EXPECT_EQ(DecodeCodedText(c.coded), std::optional<std::string>(c.text)) << c.coded;
    }
}

TEST(CodedText, Base64UrlUsesDashAndUnderscore) {
    EXPECT_EQ(EncodeBase64Url(std::string("\xFB\xFF\xBF", 3)), "-_-_");
    EXPECT_EQ(DecodeBase64Url("-_-_"), std::optional<std::string>(std::string("\xFB\xFF\xBF", 3)));
}

TEST(CodedText, DecodingAcceptsAndRefuses) {
    struct Case {
        std::string coded;
        std::optional<std::string> text;
    };
    const std::vector<Case> cases = {
        {"YQBiAGMA", std::string("abc")},
        {"YQA", std::string("a")},                     // padding left out
        {" YQBi\n AGMA\t", std::string("abc")},        // white space of an indented file
        {"YQBiAAAAYwA=", std::string("ab")},           // cut at the first zero character
        {"YQ+i", std::nullopt},                        // standard base64 character
        {"YQ/i", std::nullopt},
        {"YQ=A", std::nullopt},                        // data after padding
        {"YQBiA", std::nullopt},                       // a lone sextet
        {"YQ===", std::nullopt},                       // three padding characters
        {"YQ=", std::nullopt},                         // padding not completing a quartet
        {"YWJj", std::nullopt},                        // odd number of bytes
        {"ANg=", std::nullopt},                        // lone high surrogate D800
        {"ANw=", std::nullopt},                        // lone low surrogate DC00
        {"&amp;", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeCodedText(c.coded), c.text) << c.coded;
}

TEST(Utf16, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong "/"
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");  // cut short
}

TEST(Utf16, OrdersByCodeUnitsWithPrefixFirst) {
    struct Case {
        std::string a;
        std::string b;
    };
    // Each a sorts strictly before b.
    const std::vector<Case> cases = {
        {"Lab", "Lab 2"},
        {"", "a"},
        {"Z", "a"},                                     // upper case before lower case
        {"z", "\xC3\xA4"},                              // U+00E4 after ASCII
        // U+1D11E is the pair D834 DD1E, U+FF21 the single unit FF21: in UTF-16 the pair
        // sorts first, although by code point (and by UTF-8 bytes) it sorts last.
        {"\xF0\x9D\x84\x9E", "\xEF\xBC\xA1"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_TRUE(LessByUtf16(cases[i].a, cases[i].b)) << i;
        EXPECT_FALSE(LessByUtf16(cases[i].b, cases[i].a)) << i;
    }
}

}  // namespace
}  // namespace orva
