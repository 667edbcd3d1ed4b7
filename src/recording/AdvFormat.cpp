#include "recording/AdvFormat.h"

namespace orva {
namespace {

template <typename T>
void Append(std::vector<uint8_t>& bytes, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

static_assert(AdvFormat::kFileMagic == (static_cast<uint32_t>(AdvFormat::kFileMagicText[0]) |
                                        static_cast<uint32_t>(AdvFormat::kFileMagicText[1]) << 8 |
                                        static_cast<uint32_t>(AdvFormat::kFileMagicText[2]) << 16 |
                                        static_cast<uint32_t>(AdvFormat::kFileMagicText[3]) << 24));

std::vector<uint8_t> AdvFormat::IndexTable(const std::vector<AdvIndexEntry>& entries) {
    const auto count = static_cast<uint32_t>(entries.size());
    std::vector<uint8_t> bytes;
    bytes.reserve(kIndexHeadBytes + 4 + static_cast<std::size_t>(kIndexEntryBytes) * count + 4);
    Append(bytes, kIndexVersion);
    Append(bytes, kIndexHeadBytes);
    Append(bytes, kIndexHeadBytes + 4 + kIndexEntryBytes * count);
    Append(bytes, count);
    for (const AdvIndexEntry& e : entries) {
        Append(bytes, static_cast<uint64_t>(e.elapsed));
        Append(bytes, e.offset);
        Append(bytes, e.size);
    }
    Append(bytes, uint32_t{0});  // CALIBRATION: no frames
    return bytes;
}

uint64_t AdvFormat::TimeStampOf(uint64_t ticks) {
    // Before 2010 the unsigned difference would wrap to a time centuries ahead.
    if (ticks < kTicksAt2010) return 0;
    const uint64_t since2010 = ticks - kTicksAt2010;
    if (since2010 > UINT64_MAX / 100) return 0;
    return since2010 * 100;
}

}  // namespace orva
