#include "recording/FitsWriter.h"

#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;

std::string Pad80(const std::string& card) { return card + std::string(80 - card.size(), ' '); }

void FillSize(FitsHeaderData& header, int width, int height) {
    header.SetNaxis1(width);
    header.SetNaxis2(height);
    header.SetBitpix(16);
}

// Writes a file and returns its bytes.
std::string WriteAndRead(const TempDir& dir, int width, int height, const std::vector<uint16_t>& pixels,
                         void (*fill)(FitsHeaderData&) = nullptr) {
    FitsWriter writer(dir.File("image.fits"));
    FillSize(writer.GetHeaderData(), width, height);
    if (fill != nullptr) fill(writer.GetHeaderData());
    writer.WriteFile(pixels.data());
    return ReadFile(dir.File("image.fits"));
}

TEST(FitsWriter, CardFormsAreByteExact) {
    struct Case {
        const char* keyword;
        std::string value;
        const char* comment;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"SIMPLE", "T", " ", Pad80("SIMPLE  =                    T / ")},
        {"NAXIS1", "640", " ", Pad80("NAXIS1  =                  640 / ")},
        // Fixed values are cut to 20 characters.
        {"BZERO", "123456789012345678901234", " ", Pad80("BZERO   = 12345678901234567890 / ")},
        {"OBJECT", "O'Neil", "", Pad80("OBJECT  = 'O''Neil'")},
        // A line feed, an umlaut (UTF-8 C3 A4) and DEL are removed.
        {"OBJECT", "Ab\nc\xC3\xA4" "d\x7F", "", Pad80("OBJECT  = 'Abcd'")},
        {"OBJECT", std::string(100, 'x'), "", "OBJECT  = '" + std::string(68, 'x') + "'"},
        // A value that only becomes empty through sanitizing keeps its form.
        {"OBJECT", "\n", "", Pad80("OBJECT  = ''")},
        {"BITPIX", "\t", " ", Pad80("BITPIX  =                      / ")},
        {"END", "", "", Pad80("END")},
        // The cut never splits a doubled apostrophe, so the closing quote stays the card's end.
        {"OBJECT", std::string(67, 'x') + "'y", "", Pad80("OBJECT  = '" + std::string(67, 'x') + "'")},
    };
    for (const Case& c : cases) {
        const std::string card = FitsWriter::FormatCard(c.keyword, c.value, c.comment);
        EXPECT_EQ(card.size(), 80u) << c.keyword;
        EXPECT_EQ(card, c.expected) << c.keyword << " " << c.value;
    }
}

TEST(FitsWriter, HeaderBlockHoldsTheCardsInTheirOrderFollowedByBlanks) {
    TempDir dir;
    const std::string file = WriteAndRead(dir, 2, 1, {0, 0}, [](FitsHeaderData& h) {
        // Set in an order unlike the written one, plus keywords that are never written.
        h.SetValue("HISTORY", "AVG_16");
        h.SetValue("IMAGETYP", "Dark Frame");
        h.SetValue("CCD-TEMP", "-12.0");
        h.SetValue("EXPTIME", "0.040000000");
        h.SetValue("EXTEND", "T");
        h.SetValue("BITSHIFT", "4");
        h.SetValue("GAIN", "10");
        h.SetValue("TRUDEPTH", "12");
        h.SetValue("XBINNING", "1");
        h.SetValue("YBINNING", "1");
        h.SetValue("SWCREATE", "ORVA Cam Control");
        h.SetValue("DATE-OBS", "2024-03-01T22:15:07.123");
        h.SetObserver("Jane Doe");
        h.SetInstrume("ORVA+CAM #1234 FW 1.3.5, Sensor IMX174");
        h.SetTelescop("C8 f/6.3");
        h.SetObject("(2) Pallas");
        h.SetComment("not written");
        h.SetValue("BSCALE", "7");  // the fixed cards do not take the header's values
        h.SetValue("FOCALLEN", "1280");
    });
    const std::vector<std::string> cards = {
        "SIMPLE  =                    T / ",
        "BITPIX  =                   16 / ",
        "NAXIS   =                    2 / ",
        "NAXIS1  =                    2 / ",
        "NAXIS2  =                    1 / ",
        "BSCALE  =                  1.0 / ",
        "BZERO   =                32768 / ",
        "OBJECT  = '(2) Pallas'",
        "TELESCOP= 'C8 f/6.3'",
        "INSTRUME= 'ORVA+CAM #1234 FW 1.3.5, Sensor IMX174'",
        "OBSERVER= 'Jane Doe'",
        "DATE-OBS= '2024-03-01T22:15:07.123'",
        "SWCREATE= 'ORVA Cam Control'",
        "YBINNING= '1'",
        "XBINNING= '1'",
        "TRUDEPTH= '12'",
        "GAIN    = '10'",
        "BITSHIFT= '4'",
        "EXTEND  = 'T'",
        "EXPTIME = '0.040000000'",
        "CCD-TEMP= '-12.0'",
        "IMAGETYP= 'Dark Frame'",
        "HISTORY = 'AVG_16'",
        "END",
    };
    std::string expected;
    for (const auto& card : cards) expected += Pad80(card);
    expected += std::string(2880 - expected.size(), ' ');
    ASSERT_EQ(file.size(), 2u * 2880u);
    EXPECT_EQ(file.substr(0, 2880), expected);
}

TEST(FitsWriter, EmptyOptionalValuesGiveNoCardAndTheRestKeepTheirOrder) {
    TempDir dir;
    const std::string file = WriteAndRead(dir, 1, 1, {0}, [](FitsHeaderData& h) {
        h.SetObject("");
        h.SetInstrume("cam");
        h.SetValue("DATE-OBS", "2024-03-01T22:15:07.123");
    });
    std::string expected;
    for (const char* card : {"SIMPLE  =                    T / ", "BITPIX  =                   16 / ",
                             "NAXIS   =                    2 / ", "NAXIS1  =                    1 / ",
                             "NAXIS2  =                    1 / ", "BSCALE  =                  1.0 / ",
                             "BZERO   =                32768 / ", "INSTRUME= 'cam'",
                             "DATE-OBS= '2024-03-01T22:15:07.123'", "END"}) {
        expected += Pad80(card);
    }
    expected += std::string(2880 - expected.size(), ' ');
    EXPECT_EQ(file.substr(0, 2880), expected);
}

TEST(FitsWriter, SamplesAreSignedBigEndianWithBzero) {
    struct Case {
        uint16_t sample;
        unsigned char high, low;
    };
    const std::vector<Case> cases = {
        {0, 0x80, 0x00}, {32768, 0x00, 0x00}, {65535, 0x7F, 0xFF}, {1, 0x80, 0x01}, {0x1234, 0x92, 0x34}, {0x8001, 0x00, 0x01},
    };
    std::vector<uint16_t> pixels;
    for (const Case& c : cases) pixels.push_back(c.sample);
    TempDir dir;
    const std::string file = WriteAndRead(dir, static_cast<int>(pixels.size()), 1, pixels);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(static_cast<unsigned char>(file[2880 + 2 * i]), cases[i].high) << cases[i].sample;
        EXPECT_EQ(static_cast<unsigned char>(file[2880 + 2 * i + 1]), cases[i].low) << cases[i].sample;
    }
}

TEST(FitsWriter, RowsAreWrittenBottomRowFirst) {
    // 2 x 3 image, top row first in memory.
    const std::vector<uint16_t> pixels = {32768 + 1, 32768 + 2, 32768 + 3, 32768 + 4, 32768 + 5, 32768 + 6};
    TempDir dir;
    const std::string file = WriteAndRead(dir, 2, 3, pixels);
    const std::string data = file.substr(2880, 12);
    EXPECT_EQ(data, std::string("\0\x05\0\x06\0\x03\0\x04\0\x01\0\x02", 12));
}

TEST(FitsWriter, DataUnitIsPaddedWithZerosToWholeRecords) {
    struct Case {
        int width, height;
        std::size_t fileSize;
    };
    const std::vector<Case> cases = {
        {640, 480, 619200},  // 215 records; the last 1920 bytes are padding
        {1440, 1, 5760},     // data ends on a record: no padding
        {1, 1, 5760},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::vector<uint16_t> pixels(static_cast<std::size_t>(c.width) * c.height, 65535);
        const std::string file = WriteAndRead(dir, c.width, c.height, pixels);
        ASSERT_EQ(file.size(), c.fileSize) << c.width << "x" << c.height;
        const std::size_t dataEnd = 2880 + pixels.size() * 2;
        EXPECT_EQ(file.substr(dataEnd), std::string(c.fileSize - dataEnd, '\0'));
        EXPECT_EQ(file[dataEnd - 1], '\xFF');
    }
}

TEST(FitsWriter, FilesPassFitsverify) {
    if (!std::filesystem::exists("/usr/bin/fitsverify")) GTEST_SKIP() << "fitsverify is not installed";
    TempDir dir;
    std::vector<uint16_t> pixels(640 * 480);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 37);
    WriteAndRead(dir, 640, 480, pixels, [](FitsHeaderData& h) {
        h.SetObject("O'Neil");
        h.SetTelescop("C8");
        h.SetInstrume("ORVA+CAM #1234 FW 1.3.5, Sensor IMX174");
        h.SetObserver("Jane Doe");
        h.SetValue("DATE-OBS", "2024-03-01T22:15:07.123");
        h.SetValue("EXPTIME", "0.040000000");
        h.SetValue("CCD-TEMP", "-12.0");
        h.SetValue("IMAGETYP", "Dark Frame");
        h.SetValue("HISTORY", "AVG_16");
    });
    const std::string report = dir.File("fitsverify.txt");
    const std::string command = "/usr/bin/fitsverify '" + dir.File("image.fits") + "' > '" + report + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string output = ReadFile(report);
    EXPECT_EQ(status, 0) << output;
    // Every keyword this system's producers set verifies cleanly. (EXTEND, which none of
    // them sets, would be written in the quoted form and fitsverify would call that an error.)
    EXPECT_NE(output.find("found 0 warning(s) and 0 error(s)"), std::string::npos) << output;
}

TEST(FitsWriter, InvalidHeaderIsRefusedBeforeAnyFileIsCreated) {
    struct Case {
        const char* naxis1;
        const char* naxis2;
        const char* bitpix;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", "2", "16", "Invalid FITS header: NAXIS1 must be a number of 0 or more."},
        {"2", "-1", "16", "Invalid FITS header: NAXIS2 must be a number of 0 or more."},
        {"2", "2", "8", "Invalid FITS header: BITPIX must be 16, the only sample size written."},
        {"2", "2", "", "Invalid FITS header: BITPIX must be 16, the only sample size written."},
    };
    for (const Case& c : cases) {
        TempDir dir;
        FitsWriter writer(dir.File("bad.fits"));
        writer.GetHeaderData().SetValue("NAXIS1", c.naxis1);
        writer.GetHeaderData().SetValue("NAXIS2", c.naxis2);
        writer.GetHeaderData().SetValue("BITPIX", c.bitpix);
        const std::vector<uint16_t> pixels(4);
        try {
            writer.WriteFile(pixels.data());
            ADD_FAILURE() << "no exception for " << c.message;
        } catch (const std::logic_error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File("bad.fits")));
    }
}

TEST(FitsWriter, FileThatCannotBeCreatedIsReportedAndLogged) {
    test::LogCapture log;
    TempDir dir;
    FitsWriter writer(dir.File("missing/image.fits"));
    FillSize(writer.GetHeaderData(), 1, 1);
    const uint16_t pixel = 0;
    try {
        writer.WriteFile(&pixel);
        ADD_FAILURE() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Failed to open FITS file for writing.");
    }
    const auto errors = log.MessagesStartingWith("E ");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "E Failed to open FITS file for writing: " + dir.File("missing/image.fits") +
                             ": No such file or directory (2)");
}

TEST(FitsWriter, WriteFailureOnAFullFileSystemIsReportedOnceAndKeepsWhatWasWritten) {
    test::LogCapture log;
    TempDir dir;
    const std::string path = dir.File("image.fits");
    // The limit lets the header and part of the data through.
    const int exitCode = test::RunWithFileSizeLimit(2880 + 1000, [&] {
        FitsWriter writer(path);
        FillSize(writer.GetHeaderData(), 640, 480);
        const std::vector<uint16_t> pixels(640 * 480, 1000);
        try {
            writer.WriteFile(pixels.data());
        } catch (const std::logic_error& e) {
            return std::string(e.what()) == "Failed to write FITS file." ? 0 : 1;
        }
        return 2;  // the failure was reported as success
    });
    EXPECT_EQ(exitCode, 0);
    const auto errors = log.MessagesStartingWith("E ");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "E Failed to write FITS file: " + path + ": File too large (27)");
    const std::string file = ReadFile(path);
    EXPECT_EQ(file.size(), 2880u + 1000u);
    EXPECT_EQ(file.substr(0, 30), "SIMPLE  =                    T");
}

}  // namespace
}  // namespace orva
