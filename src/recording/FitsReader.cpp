#include "recording/FitsReader.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

namespace orva {
namespace {

constexpr std::size_t kRecordSize = 2880;
constexpr std::size_t kCardSize = 80;
constexpr char kQuoteMarker = '\xE4';

// Closes the file on every way out of Read.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The header's integer, or nothing when the value holds no number that fits 32 bits.
std::optional<long> ParseInteger(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return value;
}

// The bytes left from the current position to the end of the file.
std::optional<uint64_t> BytesLeft(std::FILE* file) {
    const off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return std::nullopt;
    const off_t end = ftello(file);
    if (end < 0 || fseeko(file, here, SEEK_SET) != 0) return std::nullopt;
    return end > here ? static_cast<uint64_t>(end - here) : 0;
}

std::string TrimLeft(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return s.substr(i);
}

std::string TrimRight(const std::string& s) {
    std::size_t n = s.size();
    while (n > 0 && std::isspace(static_cast<unsigned char>(s[n - 1]))) --n;
    return s.substr(0, n);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t p = 0; (p = text.find(from, p)) != std::string::npos; p += to.size()) text.replace(p, from.size(), to);
}

}  // namespace

std::unique_ptr<FitsReaderResult> FitsReader::Read(const std::string& fileName) {
    auto result = std::make_unique<FitsReaderResult>();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rbe"));
    if (!file) throw std::logic_error("Failed to open FITS file for reading.");
    try {
        result->header = ReadHeader(file.get());
        result->pixels = ReadData(file.get(), *result->header);
    } catch (const std::logic_error&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw std::logic_error("Failed to allocate memory for reading FITS file.");
    } catch (const std::exception&) {
        throw std::logic_error("Failed to read FITS file.");
    }
    return result;
}

std::unique_ptr<FitsHeaderData> FitsReader::ReadHeader(std::FILE* file) {
    auto header = std::make_unique<FitsHeaderData>();
    std::array<char, kRecordSize> block{};
    for (;;) {
        if (std::fread(block.data(), 1, block.size(), file) != block.size()) {
            throw std::logic_error("Failed to read 2880 bytes from FITS file; file may be corrupt.");
        }
        // The block as text ends at its first zero byte.
        const void* zero = std::memchr(block.data(), '\0', block.size());
        const std::size_t length =
            zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - block.data()) : block.size();
        if (ParseHeaderBlock(std::string(block.data(), length), *header)) return header;
    }
}

std::vector<uint16_t> FitsReader::ReadData(std::FILE* file, const FitsHeaderData& header) {
    const std::optional<long> naxis = ParseInteger(header.GetValue("NAXIS"));
    const std::optional<long> bitpix = ParseInteger(header.GetValue("BITPIX"));
    const std::optional<long> width = ParseInteger(header.GetValue("NAXIS1"));
    const std::optional<long> height = ParseInteger(header.GetValue("NAXIS2"));
    if (!naxis || *naxis != 2) throw std::logic_error("Unsupported FITS file: only two-dimensional images (NAXIS 2) can be read.");
    // Other sample sizes would need another conversion; they are refused, not misread.
    if (!bitpix || *bitpix != 16) throw std::logic_error("Unsupported FITS file: only 16-bit images (BITPIX 16) can be read.");
    if (!width || !height || *width <= 0 || *height <= 0) {
        throw std::logic_error("Invalid FITS file: NAXIS1 and NAXIS2 must be positive numbers.");
    }

    const uint64_t samples = static_cast<uint64_t>(*width) * static_cast<uint64_t>(*height);
    const uint64_t bytes = samples * 2;  // below 2^63: both factors are below 2^31
    const std::optional<uint64_t> left = BytesLeft(file);
    if (!left) throw std::logic_error("Failed to read FITS file.");
    if (bytes > *left) {
        throw std::logic_error("Invalid FITS file: the image of NAXIS1 x NAXIS2 samples is larger than the file.");
    }

    const std::size_t w = static_cast<std::size_t>(*width);
    const std::size_t h = static_cast<std::size_t>(*height);
    std::vector<unsigned char> data(static_cast<std::size_t>(bytes));
    if (std::fread(data.data(), 1, data.size(), file) != data.size()) throw std::logic_error("Failed to read FITS file.");
    std::vector<uint16_t> pixels(static_cast<std::size_t>(samples));
    // The first row of the data unit is the bottom row of the image.
    const unsigned char* in = data.data();
    for (std::size_t row = h; row-- > 0;) {
        uint16_t* out = pixels.data() + row * w;
        for (std::size_t x = 0; x < w; ++x, in += 2) {
            out[x] = static_cast<uint16_t>(((in[0] << 8) | in[1]) + 32768);
        }
    }
    return pixels;
}

bool FitsReader::ParseHeaderBlock(const std::string& block, FitsHeaderData& header) {
    if (block.size() != kRecordSize) throw std::logic_error("Invalid FITS header block length");
    for (std::size_t offset = 0; offset < kRecordSize; offset += kCardSize) {
        const std::string card = block.substr(offset, kCardSize);
        if (card.compare(0, 8, "END     ") == 0) return true;
        const std::string keyword = TrimRight(card.substr(0, 8));
        if (card.compare(8, 2, "= ") != 0) continue;  // commentary and blank cards carry no value
        const std::string rest = card.substr(10);
        std::string value;
        if (!rest.empty() && rest[0] == '\'') {
            value = rest.substr(1);
            ReplaceAll(value, "''", std::string(1, kQuoteMarker));
            const std::size_t close = value.find('\'');
            if (close != std::string::npos) value.resize(close);
            ReplaceAll(value, std::string(1, kQuoteMarker), "'");
        } else {
            const std::size_t slash = rest.find('/', 1);
            value = slash != std::string::npos ? rest.substr(0, slash - 1) : rest;
        }
        header.SetValue(keyword, TrimLeft(value));
    }
    return false;
}

}  // namespace orva
