#include "equipment/CodedText.h"

#include "equipment/Utf16.h"

#include <cstdint>

namespace orva {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Sextet value of a base64url character, -1 for any other character.
int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-') return 62;
    if (c == '_') return 63;
    return -1;
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string EncodeBase64Url(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16) |
                           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8) |
                           static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 2]));
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(kAlphabet[(v >> 6) & 63]);
        out.push_back(kAlphabet[v & 63]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

std::optional<std::string> DecodeBase64Url(std::string_view text) {
    std::string sextets;
    sextets.reserve(text.size());
    std::size_t padding = 0;
    for (const char c : text) {
        if (IsAsciiSpace(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int v = SextetOf(c);
        if (v < 0 || padding > 0) return std::nullopt;  // foreign character, or data after "="
        sextets.push_back(static_cast<char>(v));
    }
    // One leftover sextet cannot hold a byte; padding, when present, completes a quartet.
    if (sextets.size() % 4 == 1 || padding > 2) return std::nullopt;
    if (padding > 0 && (sextets.size() + padding) % 4 != 0) return std::nullopt;

    std::string out;
    out.reserve(sextets.size() * 3 / 4);
    uint32_t buffer = 0;
    int bits = 0;
    for (const char s : sextets) {
        buffer = (buffer << 6) | static_cast<uint32_t>(s);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

std::string EncodeCodedText(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return EncodeBase64Url(bytes);
}

std::optional<std::string> DecodeCodedText(std::string_view coded) {
    const std::optional<std::string> bytes = DecodeBase64Url(coded);
    if (!bytes || bytes->size() % 2 != 0) return std::nullopt;
    std::u16string units;
    units.reserve(bytes->size() / 2);
    for (std::size_t i = 0; i < bytes->size(); i += 2) {
        const auto u = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[i]) |
                                             (static_cast<unsigned char>((*bytes)[i + 1]) << 8));
        if (u == 0) break;
        units.push_back(u);
    }
    return Utf16ToUtf8(units);
}

}  // namespace orva
