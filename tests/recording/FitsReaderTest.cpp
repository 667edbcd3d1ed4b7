#include "recording/FitsReader.h"
#include "recording/FitsWriter.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::TempDir;
using test::WriteFile;

std::string Pad80(const std::string& card) { return card + std::string(80 - card.size(), ' '); }

// One header block (or more, if the cards need them) of 80-character cards and blanks.
std::string HeaderBlocks(const std::vector<std::string>& cards) {
    std::string text;
    for (const auto& card : cards) text += Pad80(card);
    text += std::string((2880 - text.size() % 2880) % 2880, ' ');
    return text;
}

std::vector<std::string> ImageCards(const std::string& naxis1, const std::string& naxis2, const std::string& bitpix = "16",
                                    const std::string& naxis = "2") {
    return {"SIMPLE  =                    T",  "BITPIX  = " + bitpix, "NAXIS   = " + naxis,
            "NAXIS1  = " + naxis1, "NAXIS2  = " + naxis2, "BZERO   =                32768", "END"};
}

std::string ReadError(const std::string& path) {
    try {
        FitsReader().Read(path);
    } catch (const std::logic_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(FitsReader, WrittenImageReadsBackWithItsSamplesAndKeywords) {
    TempDir dir;
    const int width = 7, height = 5;  // odd sizes show a row or column mix-up
    std::vector<uint16_t> pixels(width * height);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 1931 + 3);
    pixels[0] = 0;
    pixels[1] = 65535;
    pixels[2] = 32768;
    FitsWriter writer(dir.File("a.fits"));
    writer.GetHeaderData().SetNaxis1(width);
    writer.GetHeaderData().SetNaxis2(height);
    writer.GetHeaderData().SetBitpix(16);
    writer.GetHeaderData().SetObject("O'Neil");
    writer.WriteFile(pixels.data());

    const auto result = FitsReader().Read(dir.File("a.fits"));
    EXPECT_EQ(result->pixels, pixels);
    EXPECT_EQ(result->header->GetNaxis1(), width);
    EXPECT_EQ(result->header->GetNaxis2(), height);
    EXPECT_EQ(result->header->GetBitpix(), 16);
    EXPECT_EQ(result->header->GetValue("BZERO"), "32768");
    EXPECT_EQ(result->header->GetValue("SIMPLE"), "T");
    EXPECT_EQ(result->header->GetObject(), "O'Neil");
}

TEST(FitsReader, CardValuesAreParsedByTheirForm) {
    struct Case {
        std::string card;
        std::string keyword;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"NAXIS1  =                  640 / width", "NAXIS1", "640"},
        {"OBJECT  = 'O''Neil' / name", "OBJECT", "O'Neil"},
        {"OBJECT  = '  padded  '", "OBJECT", "padded  "},  // leading blanks go, trailing stay
        {"OBJECT  = 'no end", "OBJECT", "no end" + std::string(63, ' ')},
        // The byte 0xE4 is the reader's marker for a doubled quote and comes back as one.
        {"OBJECT  = 'x\xE4y'", "OBJECT", "x'y"},
        {"DATE    = 2024", "DATE", "2024" + std::string(66, ' ')},  // no "/": all of the rest
        {"KEY     =  /x", "KEY", ""},  // "/" in the second column of the value: empty
    };
    for (const Case& c : cases) {
        FitsHeaderData header;
        EXPECT_TRUE(FitsReader().ParseHeaderBlock(HeaderBlocks({c.card, "END"}), header)) << c.card;
        EXPECT_EQ(header.GetValue(c.keyword), c.value) << c.card;
    }
}

TEST(FitsReader, CardsWithoutValueIndicatorAreSkipped) {
    FitsHeaderData header;
    EXPECT_FALSE(FitsReader().ParseHeaderBlock(
        HeaderBlocks({"COMMENT   just words", "HISTORY done", "", "BZERO  =   5", "BSCALE  =                  1.0 / "}),
        header));
    EXPECT_EQ(header.Values().size(), 1u);
    EXPECT_EQ(header.GetValue("BSCALE"), "1.0");
}

TEST(FitsReader, HeaderContinuesInTheNextBlockUntilEnd) {
    TempDir dir;
    std::vector<std::string> cards = ImageCards("2", "1");
    cards.pop_back();  // END moves to the second block
    while (cards.size() < 36) cards.push_back("COMMENT filler");
    cards.push_back("OBJECT  = 'second block'");
    cards.push_back("END");
    WriteFile(dir.File("b.fits"), HeaderBlocks(cards) + std::string("\x80\x01\x7F\xFF", 4) + std::string(2876, '\0'));
    const auto result = FitsReader().Read(dir.File("b.fits"));
    EXPECT_EQ(result->header->GetObject(), "second block");
    EXPECT_EQ(result->pixels, (std::vector<uint16_t>{1, 65535}));
}

TEST(FitsReader, BrokenFilesGiveTheirMessages) {
    const std::string image = HeaderBlocks(ImageCards("2", "2")) + std::string(2880, '\0');
    std::string withZero = image;
    withZero[100] = '\0';
    const std::string noEnd = HeaderBlocks({"SIMPLE  =                    T", "NAXIS1  = 2"});
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"empty", "", "Failed to read 2880 bytes from FITS file; file may be corrupt."},
        {"short header", image.substr(0, 2000), "Failed to read 2880 bytes from FITS file; file may be corrupt."},
        {"ends before END", noEnd, "Failed to read 2880 bytes from FITS file; file may be corrupt."},
        {"zero byte in header", withZero, "Invalid FITS header block length"},
        {"data cut short", image.substr(0, 2880 + 7), "Invalid FITS file: the image of NAXIS1 x NAXIS2 samples is larger than the file."},
        {"no NAXIS1", HeaderBlocks({"SIMPLE  = T", "BITPIX  = 16", "NAXIS   = 2", "NAXIS2  = 2", "END"}),
         "Invalid FITS file: NAXIS1 and NAXIS2 must be positive numbers."},
        {"negative", HeaderBlocks(ImageCards("-640", "480")), "Invalid FITS file: NAXIS1 and NAXIS2 must be positive numbers."},
        {"zero", HeaderBlocks(ImageCards("640", "0")), "Invalid FITS file: NAXIS1 and NAXIS2 must be positive numbers."},
        {"not a number", HeaderBlocks(ImageCards("wide", "480")), "Invalid FITS file: NAXIS1 and NAXIS2 must be positive numbers."},
        {"beyond 32 bits", HeaderBlocks(ImageCards("99999999999", "1")), "Invalid FITS file: NAXIS1 and NAXIS2 must be positive numbers."},
        // Huge but valid numbers must not be allocated: the file cannot hold them.
        {"huge", HeaderBlocks(ImageCards("2147483647", "2147483647")),
         "Invalid FITS file: the image of NAXIS1 x NAXIS2 samples is larger than the file."},
        {"8-bit", HeaderBlocks(ImageCards("2", "2", "8")) + std::string(2880, '\0'),
         "Unsupported FITS file: only 16-bit images (BITPIX 16) can be read."},
        {"float", HeaderBlocks(ImageCards("2", "2", "-32")) + std::string(2880, '\0'),
         "Unsupported FITS file: only 16-bit images (BITPIX 16) can be read."},
        {"cube", HeaderBlocks(ImageCards("2", "2", "16", "3")) + std::string(2880, '\0'),
         "Unsupported FITS file: only two-dimensional images (NAXIS 2) can be read."},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteFile(dir.File("x.fits"), c.bytes);
        EXPECT_EQ(ReadError(dir.File("x.fits")), c.message) << c.name;
    }
}

TEST(FitsReader, MissingFileCannotBeOpened) {
    TempDir dir;
    EXPECT_EQ(ReadError(dir.File("none.fits")), "Failed to open FITS file for reading.");
}

TEST(FitsReader, ParseHeaderBlockRefusesBlocksOfAnotherLength) {
    FitsHeaderData header;
    EXPECT_THROW(FitsReader().ParseHeaderBlock(std::string(2879, ' '), header), std::logic_error);
}

}  // namespace
}  // namespace orva
