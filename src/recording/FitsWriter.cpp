#include "recording/FitsWriter.h"

#include "common/Log.h"
#include "recording/OutputFile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace orva {
namespace {

constexpr std::size_t kRecordSize = 2880;
constexpr std::size_t kCardSize = 80;
constexpr std::size_t kFixedValueWidth = 20;
constexpr std::size_t kQuotedValueWidth = 68;

// A checked write failed; WriteFile turns it into the reported error.
struct WriteFailure {};

enum class CardForm { Fixed, Quoted };

struct HeaderCard {
    const char* keyword;
    CardForm form;
    const char* fixedValue;  // null: the header's value
};

// The cards in the order written. The quoted ones appear only with a non-empty value.
constexpr std::array<HeaderCard, 23> kCards = {{
    {"SIMPLE", CardForm::Fixed, "T"},
    {"BITPIX", CardForm::Fixed, nullptr},
    {"NAXIS", CardForm::Fixed, "2"},
    {"NAXIS1", CardForm::Fixed, nullptr},
    {"NAXIS2", CardForm::Fixed, nullptr},
    {"BSCALE", CardForm::Fixed, "1.0"},
    {"BZERO", CardForm::Fixed, "32768"},
    {"OBJECT", CardForm::Quoted, nullptr},
    {"TELESCOP", CardForm::Quoted, nullptr},
    {"INSTRUME", CardForm::Quoted, nullptr},
    {"OBSERVER", CardForm::Quoted, nullptr},
    {"DATE-OBS", CardForm::Quoted, nullptr},
    {"SWCREATE", CardForm::Quoted, nullptr},
    {"YBINNING", CardForm::Quoted, nullptr},
    {"XBINNING", CardForm::Quoted, nullptr},
    {"TRUDEPTH", CardForm::Quoted, nullptr},
    {"GAIN", CardForm::Quoted, nullptr},
    {"BITSHIFT", CardForm::Quoted, nullptr},
    {"EXTEND", CardForm::Quoted, nullptr},
    {"EXPTIME", CardForm::Quoted, nullptr},
    {"CCD-TEMP", CardForm::Quoted, nullptr},
    {"IMAGETYP", CardForm::Quoted, nullptr},
    {"HISTORY", CardForm::Quoted, nullptr},
}};

// Cutting a quoted value must not split a doubled apostrophe: a lone one before the
// closing quote would leave the card without its end.
std::string CutQuotedValue(const std::string& value) {
    if (value.size() <= kQuotedValueWidth) return value;
    std::string cut = value.substr(0, kQuotedValueWidth);
    std::size_t trailingQuotes = 0;
    while (trailingQuotes < cut.size() && cut[cut.size() - 1 - trailingQuotes] == '\'') ++trailingQuotes;
    if (trailingQuotes % 2 != 0) cut.pop_back();
    return cut;
}

// Integer header values are checked before the file is created, so a bad header leaves
// no file behind and gets a message that says what is wrong.
int RequireSize(const FitsHeaderData& header, const char* keyword) {
    const std::string text = header.GetValue(keyword);
    std::size_t used = 0;
    int value = -1;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        value = -1;
    }
    if (value < 0) {
        throw std::logic_error(std::string("Invalid FITS header: ") + keyword + " must be a number of 0 or more.");
    }
    return value;
}

}  // namespace

FitsWriter::FitsWriter(std::string fileName, Creation creation)
    : fileName_(std::move(fileName)), creation_(creation) {}

FitsHeaderData& FitsWriter::GetHeaderData() { return header_; }

const std::string& FitsWriter::GetFileName() const { return fileName_; }

void FitsWriter::WriteFile(const uint16_t* pixels) {
    const int width = RequireSize(header_, "NAXIS1");
    const int height = RequireSize(header_, "NAXIS2");
    if (header_.GetValue("BITPIX") != "16") {
        throw std::logic_error("Invalid FITS header: BITPIX must be 16, the only sample size written.");
    }
    if (pixels == nullptr && width > 0 && height > 0) throw std::logic_error("Failed to write FITS file.");

    OutputFile file;
    lastErrorNumber_ = 0;
    lastErrorText_.clear();
    if (creation_ == Creation::NewFile) {
        // The recording syncs the sequence's folder; a folder sync per frame would hold
        // up the frame thread.
        if (!file.Create(fileName_, OutputFile::FolderSync::None)) FailOpening(file);
        WriteContents(file, pixels, width, height);
        return;
    }

    // The temporary file is hidden and numbered when a stale one is in the way.
    const std::size_t slash = fileName_.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string temporary = fileName_.substr(0, nameStart) + "." + fileName_.substr(nameStart) + ".tmp";
    // The folder is synced once the file has its final name.
    if (!file.CreateNumbered(temporary, 1, OutputFile::FolderSync::None)) FailOpening(file);
    const std::string temporaryPath = file.Path();
    try {
        WriteContents(file, pixels, width, height);
    } catch (...) {
        ::unlink(temporaryPath.c_str());
        throw;
    }
    if (std::rename(temporaryPath.c_str(), fileName_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporaryPath.c_str());
        FailWriting(OutputFile::Describe(fileName_, error), error);
    }
    if (const int error = OutputFile::SyncFolderOf(fileName_); error != 0) {
        // The complete file is in place; only its name may not last a power loss yet.
        FailWriting(OutputFile::Describe(fileName_, error), error);
    }
}

void FitsWriter::FailOpening(const OutputFile& file) {
    lastErrorNumber_ = file.Error();
    lastErrorText_ = file.DescribeError();
    LogMessageString("E Failed to open FITS file for writing:", file.DescribeError());
    throw std::logic_error("Failed to open FITS file for writing.");
}

void FitsWriter::FailWriting(const std::string& description, int error) {
    lastErrorNumber_ = error;
    lastErrorText_ = description;
    LogMessageString("E Failed to write FITS file:", description);
    throw std::logic_error("Failed to write FITS file.");
}

void FitsWriter::WriteContents(OutputFile& file, const uint16_t* pixels, int width, int height) {
    try {
        WriteHeaderCards(file, header_);
        WritePixelData(file, pixels, width, height);
        // A replacing write is renamed into place only once it is on the disk.
        if (creation_ == Creation::ReplaceWhole && !file.Sync()) throw WriteFailure{};
        if (!file.Close()) throw WriteFailure{};
    } catch (const WriteFailure&) {
        file.Close();
        FailWriting(file.DescribeError(), file.Error());
    } catch (const std::logic_error&) {
        file.Close();
        throw;
    } catch (const std::exception&) {
        file.Close();
        throw std::logic_error("Failed to write FITS file.");
    }
}

void FitsWriter::WriteHeaderCards(OutputFile& file, const FitsHeaderData& header) {
    std::size_t written = 0;
    for (const HeaderCard& card : kCards) {
        if (card.form == CardForm::Fixed) {
            const std::string value = card.fixedValue != nullptr ? card.fixedValue : header.GetValue(card.keyword);
            WriteCard(file, card.keyword, value, " ");
        } else {
            const std::string value = header.GetValue(card.keyword);
            if (value.empty()) continue;
            WriteCard(file, card.keyword, value, "");
        }
        written += kCardSize;
    }
    WriteCard(file, "END", "", "");
    written += kCardSize;
    WriteText(file, std::string(kRecordSize - written, ' '));
}

void FitsWriter::WritePixelData(OutputFile& file, const uint16_t* pixels, int width, int height) {
    const std::size_t rowSamples = static_cast<std::size_t>(width);
    const std::size_t rows = static_cast<std::size_t>(height);
    const std::size_t dataBytes = rowSamples * rows * 2;
    const std::size_t padding = (kRecordSize - dataBytes % kRecordSize) % kRecordSize;
    std::vector<unsigned char> data(dataBytes + padding, 0);
    unsigned char* out = data.data();
    // The data unit starts with the bottom row of the image.
    for (std::size_t row = rows; row-- > 0;) {
        const uint16_t* in = pixels + row * rowSamples;
        for (std::size_t x = 0; x < rowSamples; ++x) {
            const unsigned v = in[x];
            *out++ = static_cast<unsigned char>((v >> 8) ^ 0x80u);  // v - 32768, big-endian
            *out++ = static_cast<unsigned char>(v & 0xFFu);
        }
    }
    if (!file.Write(data.data(), data.size())) throw WriteFailure{};
}

void FitsWriter::WriteCard(OutputFile& file, const std::string& keyword, const std::string& value,
                           const std::string& comment) {
    WriteText(file, FormatCard(keyword, value, comment));
}

void FitsWriter::WriteText(OutputFile& file, const std::string& text) {
    if (!file.Write(text.data(), text.size())) throw WriteFailure{};
}

std::string FitsWriter::FormatCard(const std::string& keyword, const std::string& value, const std::string& comment) {
    char card[256];
    if (value.empty()) {
        std::snprintf(card, sizeof(card), "%-8s", keyword.c_str());
    } else if (!comment.empty()) {
        std::string prepared = SanitizeValue(value);
        if (prepared.size() > kFixedValueWidth) prepared.resize(kFixedValueWidth);
        std::snprintf(card, sizeof(card), "%-8.8s= %20s /%.40s", keyword.c_str(), prepared.c_str(), comment.c_str());
    } else {
        const std::string prepared = CutQuotedValue(SanitizeValue(value));
        std::snprintf(card, sizeof(card), "%-8.8s= '%s'", keyword.c_str(), prepared.c_str());
    }
    std::string text(card);
    text.resize(kCardSize, ' ');
    return text;
}

std::string FitsWriter::SanitizeValue(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\'') {
            result += "''";
        } else if (byte >= 0x20 && byte < 0x7F) {
            result += c;
        }
    }
    return result;
}

}  // namespace orva
