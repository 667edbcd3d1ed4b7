#include "recording/RecordingFileName.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

RecordingNameParts Parts(std::string gain, std::string exposure) {
    RecordingNameParts p;
    p.time = UtcDateTime{2024, 5, 23, 21, 30, 12, 999};
    p.width = 1920;
    p.height = 1200;
    p.gainText = std::move(gain);
    p.exposureText = std::move(exposure);
    return p;
}

TEST(RecordingFileNameTest, NamesOfEveryUse) {
    struct Case {
        const char* gain;
        const char* exposure;
        const char* extension;
        bool withFrameNumber;
        char kind;
        const char* expected;
    };
    const Case cases[] = {
        {"+12 dB", "40", "ser", false, 0, "20240523_213012_1920x1200_G12dB_0040ms.ser"},
        {"+12 dB", "40", "adv", false, 0, "20240523_213012_1920x1200_G12dB_0040ms.adv"},
        {"+12 dB", "40", "csv", false, 0, "20240523_213012_1920x1200_G12dB_0040ms.csv"},
        {"+12 dB", "40", "fits", true, 0, "20240523_213012_1920x1200_G12dB_0040ms_[FRAMENR].fits"},
        {"+12 dB", "40", "fits", false, 'D', "D20240523_1920_12dB_0040ms.fits"},
        {"+12 dB", "40", "fits", false, 'F', "F20240523_1920_12dB_0040ms.fits"},
        {"+12 dB", "40", "fits", false, 'P', "P20240523_213012_1920x1200_G12dB_0040ms.fits"},
        // Any other kind is a light frame, without a letter.
        {"+12 dB", "40", "fits", false, 'L', "20240523_213012_1920x1200_G12dB_0040ms.fits"},
        {"0 dB", "5", "ser", false, 0, "20240523_213012_1920x1200_G0dB_0005ms.ser"},
        {"x 2.5", "12345", "ser", false, 0, "20240523_213012_1920x1200_Gx2.5_12345ms.ser"},
        {"+ 1 + 2", "0.5", "ser", false, 0, "20240523_213012_1920x1200_G12_00.5ms.ser"},
        {"", "", "ser", false, 0, "20240523_213012_1920x1200_G_0000ms.ser"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MakeRecordingFileName(Parts(c.gain, c.exposure), c.extension, c.withFrameNumber, c.kind), c.expected);
    }
}

TEST(RecordingFileNameTest, LongFreeTextIsKeptWhole) {
    const std::string gain(300, 'g');
    const std::string name = MakeRecordingFileName(Parts(gain, "40"), "ser", false);
    EXPECT_EQ(name, "20240523_213012_1920x1200_G" + gain + "_0040ms.ser");
}

TEST(RecordingFileNameTest, FitsSequenceFolderAndSeparator) {
    EXPECT_EQ(FitsSequenceFolderName(UtcDateTime{2024, 5, 23, 21, 30, 12, 0}), "20240523_213012_FITS_Sequence");
    EXPECT_EQ(FitsSequenceFolderName(UtcDateTime{2025, 1, 2, 3, 4, 5, 0}), "20250102_030405_FITS_Sequence");
    EXPECT_EQ(WithTrailingSeparator("/data/ser"), "/data/ser/");
    EXPECT_EQ(WithTrailingSeparator("/data/ser/"), "/data/ser/");
    EXPECT_EQ(WithTrailingSeparator(""), "");
}

TEST(RecordingFileNameTest, NumberedNamesGoBeforeTheExtension) {
    const struct {
        std::string path;
        int number;
        std::string expected;
    } cases[] = {
        {"/d/20240523_213012_1920x1200_G12dB_0040ms.ser", 1, "/d/20240523_213012_1920x1200_G12dB_0040ms.ser"},
        {"/d/20240523_213012_1920x1200_G12dB_0040ms.ser", 2, "/d/20240523_213012_1920x1200_G12dB_0040ms_2.ser"},
        {"/d/D20240523_1920_12dB_0040ms.fits", 12, "/d/D20240523_1920_12dB_0040ms_12.fits"},
        {"/d/20240523_213012_FITS_Sequence", 3, "/d/20240523_213012_FITS_Sequence_3"},
        {"/d.x/name", 2, "/d.x/name_2"},
        {"/d/.D.fits.tmp", 2, "/d/.D.fits_2.tmp"},
        {"/d/.hidden", 2, "/d/.hidden_2"},
        {"plain", 0, "plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(NumberedFileName(c.path, c.number), c.expected) << c.path;
}

}  // namespace
}  // namespace orva
