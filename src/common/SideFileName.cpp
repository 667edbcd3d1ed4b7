#include "common/SideFileName.h"

#include "common/FileBytes.h"

#include <filesystem>
#include <system_error>

namespace orva {
namespace {

// A bound, so that a folder full of copies cannot stall a save.
constexpr int kMaxCopies = 1000;

std::string Numbered(const std::string& base, int n) { return n == 1 ? base : base + "-" + std::to_string(n); }

}  // namespace

std::string SideFileName::FirstFree(const std::string& path, std::string_view suffix) {
    const std::string base = path + std::string(suffix);
    std::error_code ec;
    int n = 1;
    while (n < kMaxCopies && std::filesystem::exists(Numbered(base, n), ec)) ++n;
    return Numbered(base, n);
}

std::optional<std::string> SideFileName::HoldingBytes(const std::string& path, std::string_view suffix,
                                                      const std::string& bytes) {
    const std::string base = path + std::string(suffix);
    std::error_code ec;
    for (int n = 1; n < kMaxCopies && std::filesystem::exists(Numbered(base, n), ec); ++n) {
        if (FileBytes::Read(Numbered(base, n)) == bytes) return Numbered(base, n);
    }
    return std::nullopt;
}

}  // namespace orva
