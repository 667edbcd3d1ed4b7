#include "recording/FitsHeaderData.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace orva {
namespace {

TEST(FitsHeaderData, IntegerAccessorsStoreDecimalTextAndParseItBack) {
    FitsHeaderData header;
    header.SetNaxis1(640);
    header.SetNaxis2(-3);
    header.SetBitpix(16);
    EXPECT_EQ(header.GetValue("NAXIS1"), "640");
    EXPECT_EQ(header.GetValue("NAXIS2"), "-3");
    EXPECT_EQ(header.GetNaxis1(), 640);
    EXPECT_EQ(header.GetNaxis2(), -3);
    EXPECT_EQ(header.GetBitpix(), 16);
}

TEST(FitsHeaderData, IntegerGettersAcceptLeadingBlanksAndIgnoreTrailingText) {
    FitsHeaderData header;
    header.SetValue("NAXIS1", "   1920 / width");
    EXPECT_EQ(header.GetNaxis1(), 1920);
}

TEST(FitsHeaderData, IntegerGettersFailOnMissingNonNumericOrTooLargeValues) {
    FitsHeaderData header;
    EXPECT_THROW(header.GetNaxis1(), std::invalid_argument);  // absent
    header.SetValue("NAXIS1", "wide");
    EXPECT_THROW(header.GetNaxis1(), std::invalid_argument);
    header.SetValue("NAXIS1", "99999999999");
    EXPECT_THROW(header.GetNaxis1(), std::out_of_range);
}

TEST(FitsHeaderData, TextAccessorsUseTheirKeywordsAndSettingAgainReplaces) {
    FitsHeaderData header;
    header.SetObject("(2) Pallas");
    header.SetTelescop("C8");
    header.SetInstrume("ORVA+CAM #1");
    header.SetObserver("Jane");
    header.SetComment("note");
    header.SetObject("(3) Juno");
    EXPECT_EQ(header.GetValue("OBJECT"), "(3) Juno");
    EXPECT_EQ(header.GetValue("TELESCOP"), "C8");
    EXPECT_EQ(header.GetValue("INSTRUME"), "ORVA+CAM #1");
    EXPECT_EQ(header.GetValue("OBSERVER"), "Jane");
    EXPECT_EQ(header.GetValue("COMMENT"), "note");
    EXPECT_EQ(header.GetObject(), "(3) Juno");
    EXPECT_EQ(header.Values().size(), 5u);
    EXPECT_EQ(header.GetValue("EXPTIME"), "");
}

}  // namespace
}  // namespace orva
