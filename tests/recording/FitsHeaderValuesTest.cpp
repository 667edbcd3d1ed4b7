#include "recording/FitsHeaderValues.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace orva {
namespace {

BinaryOverlay Frame() {
    BinaryOverlay o;
    o.Valid = true;
    o.FromTime = {2024, 3, 0, 1, 22, 15, 7, 5};
    o.ExposureSec = 0;
    o.ExposureNs = 40000000;
    return o;
}

TEST(FitsHeaderValues, FillSetsSizeDepthAndTheKnownNames) {
    FitsHeaderData header;
    FillFitsHeader(header, 1920, 1080, {"Jane Doe", "C8", "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174", std::nullopt}, "(2) Pallas");
    const std::map<std::string, std::string> expected = {
        {"NAXIS1", "1920"},   {"NAXIS2", "1080"},    {"BITPIX", "16"},
        {"OBSERVER", "Jane Doe"}, {"TELESCOP", "C8"}, {"INSTRUME", "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174"},
        {"OBJECT", "(2) Pallas"},
    };
    EXPECT_EQ(header.Values(), expected);
}

TEST(FitsHeaderValues, UnknownNamesAreNotSetAndAnEmptyObjectStaysEmpty) {
    FitsHeaderData header;
    FillFitsHeader(header, 0, 0, {}, "");
    const std::map<std::string, std::string> expected = {
        {"NAXIS1", "0"}, {"NAXIS2", "0"}, {"BITPIX", "16"}, {"OBJECT", ""},
    };
    EXPECT_EQ(header.Values(), expected);
}

TEST(FitsHeaderValues, DynamicValuesComeFromTheFrameRecord) {
    struct Case {
        const char* name;
        int32_t exposureSec;
        uint32_t exposureNs;
        uint16_t temperature;
        std::string exptime;
        std::string ccdTemp;  // empty: not set
    };
    const std::vector<Case> cases = {
        {"40 ms, no reading", 0, 40000000, 0x0F00, "0.040000000", ""},
        {"positive", 2, 500, 0x1701, "2.000000500", "23.0"},
        {"negative", 0, 0, 0x8C01, "0.000000000", "-12.0"},
        {"zero", 0, 1, 0x0001, "0.000000001", "0.0"},
    };
    for (const Case& c : cases) {
        BinaryOverlay o = Frame();
        o.ExposureSec = c.exposureSec;
        o.ExposureNs = c.exposureNs;
        o.Temperature = c.temperature;
        FitsHeaderData header;
        WriteFitsFileDynamicHeader(header, o);
        EXPECT_EQ(header.GetValue("DATE-OBS"), "2024-03-01T22:15:07.005") << c.name;
        EXPECT_EQ(header.GetValue("EXPTIME"), c.exptime) << c.name;
        EXPECT_EQ(header.GetValue("CCD-TEMP"), c.ccdTemp) << c.name;
        EXPECT_EQ(header.Values().count("CCD-TEMP"), c.ccdTemp.empty() ? 0u : 1u) << c.name;
    }
}

TEST(FitsHeaderValues, InvalidRecordSetsNothingAndWarns) {
    test::LogCapture log;
    BinaryOverlay o = Frame();
    o.Valid = false;
    o.Temperature = 0x1701;
    FitsHeaderData header;
    WriteFitsFileDynamicHeader(header, o);
    EXPECT_TRUE(header.Values().empty());
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"W WriteFitsFileDynamicHeader: skipping, binary overlay is invalid!"});
}

TEST(FitsHeaderValues, SequenceValuesHaveNoTemperature) {
    BinaryOverlay o = Frame();
    o.Temperature = 0x1701;
    FitsHeaderData header;
    SetFitsExposureValues(header, o);
    const std::map<std::string, std::string> expected = {{"DATE-OBS", "2024-03-01T22:15:07.005"},
                                                         {"EXPTIME", "0.040000000"}};
    EXPECT_EQ(header.Values(), expected);
}

}  // namespace
}  // namespace orva
