#pragma once
// The ADV file layout (version 2 of the Astro Digital Video format) as the station writes
// it, described once for the writer, the reader and the repair: the magic numbers, where
// the file header keeps its offsets, the stream, section and tag names, the image layouts,
// the status channels, the form of the frame index and the time base. All integers are
// little-endian; strings carry a 16-bit byte length and no terminator.
//
//   file header   magic, version, u32 0, u64 index offset, u64 system metadata offset,
//                 u64 user metadata offset, u8 stream count
//   streams       MAIN, CALIBRATION: name, u32 frame count, u64 clock, u32, u64 offset
//   sections      u8 count, then name and u64 offset of the IMAGE and STATUS headers
//   metadata      the system table (u32 tag count, the tags); the frames follow it
//   frame         magic, u8 stream, u64 start, u64 end, image section, status section
//   trailer       the index, then the user metadata table
//
// Threads: constants and pure functions, any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orva {

// A zone of the live view or a recorded region, in pixels.
struct AdvRegion {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const AdvRegion&) const = default;
};

// One frame of the MAIN stream's index.
struct AdvIndexEntry {
    int64_t elapsed = 0;  // 100-ns ticks since the first frame
    uint64_t offset = 0;  // of the frame magic
    uint32_t size = 0;    // from the end of the magic to the end of the status section
    bool operator==(const AdvIndexEntry&) const = default;
};

struct AdvChannelDefinition {
    const char* name;
    uint8_t type;
};

class AdvFormat {
public:
    AdvFormat() = delete;

    // File header.
    static constexpr char kFileMagicText[] = "FSTF";
    static constexpr uint32_t kFileMagic = 0x46545346;  // kFileMagicText read little-endian
    static constexpr uint8_t kVersion = 2;
    static constexpr uint64_t kIndexOffsetAt = 9;           // filled when the recording stops
    static constexpr uint64_t kSystemMetadataOffsetAt = 17;  // filled as the table is written
    static constexpr uint64_t kUserMetadataOffsetAt = 25;    // filled when the recording stops
    static constexpr uint64_t kStreamCountAt = 33;
    static constexpr uint8_t kStreamCount = 2;

    // Streams, MAIN first: its frame count sits after the count byte and its name.
    static constexpr const char* kMainStream = "MAIN";
    static constexpr const char* kCalibrationStream = "CALIBRATION";
    static constexpr uint64_t kMainFrameCountAt = kStreamCountAt + 1 + 2 + std::char_traits<char>::length(kMainStream);
    static constexpr uint8_t kMainStreamId = 0;             // a frame's stream byte
    static constexpr uint64_t kStreamClock = 1000000000;    // ticks per second: times are nanoseconds
    static constexpr uint32_t kStreamValue = 1000000;       // the u32 after the clock

    // Sections: both headers start with the section version.
    static constexpr uint8_t kSectionCount = 2;
    static constexpr const char* kImageSection = "IMAGE";
    static constexpr const char* kStatusSection = "STATUS";
    static constexpr uint8_t kSectionVersion = 2;
    static constexpr uint64_t kStatusSectionValue = 1000000;  // the u64 after the version

    // Image layouts. Each is declared as id, id again, bit depth, u8 tag count, tags.
    static constexpr uint8_t kFullImageLayout = 1;  // the whole frame, raw or coded
    static constexpr uint8_t kRegionLayout = 2;     // the regions' rows, raw
    static constexpr const char* kDataLayoutTag = "DATA-LAYOUT";
    static constexpr const char* kFullImageRaw = "FULL-IMAGE-RAW";
    static constexpr const char* kCompressionTag = "SECTION-DATA-COMPRESSION";
    static constexpr const char* kLagarith16 = "LAGARITH16";
    static constexpr const char* kUncompressed = "UNCOMPRESSED";
    static constexpr const char* kRegionCountTag = "ROI-COUNT";
    // Followed by the region's number from 0, in decimal.
    static constexpr const char* kRegionTopTag = "ROI-TOP-";
    static constexpr const char* kRegionLeftTag = "ROI-LEFT-";
    static constexpr const char* kRegionWidthTag = "ROI-WIDTH-";
    static constexpr const char* kRegionHeightTag = "ROI-HEIGHT-";
    // The region layout's tag count is one byte: three tags and four per region.
    static constexpr std::size_t kMaxRegions = (255 - 3) / 4;

    // Status channels: each frame carries one value per channel, in this order, each
    // after its channel index byte.
    enum ChannelType : uint8_t { kInt8 = 0, kInt16 = 1, kInt32 = 2, kInt64 = 3, kReal = 4, kText = 5 };
    enum Channel : uint8_t {
        kGain,
        kSystemTime,
        kVideoCameraFrameId,
        kTrackedSatellites,
        kFixStatus,
        kTemperature,
        kDopTime,
        kGdop,
        kPdop,
        kTdop,
        kVdop,
        kHdop,
        kStatusChannelCount
    };
    static constexpr AdvChannelDefinition kStatusChannels[kStatusChannelCount] = {
        {"Gain", kText},      {"SystemTime", kInt64},  {"VideoCameraFrameId", kInt32}, {"TrackedSatellites", kInt8},
        {"FixStatus", kInt8}, {"Temperature", kReal},  {"DOPTime", kInt32},            {"GDOP", kReal},
        {"PDOP", kReal},      {"TDOP", kReal},         {"VDOP", kReal},                {"HDOP", kReal},
    };

    // Frames: magic, stream byte, start and end; then the image section (u32 length, the
    // layout id and a zero byte, the payload) and the status section (u32 length, u64
    // middle of the exposure, u32 duration, u8 value count, the values).
    static constexpr uint32_t kFrameMagic = 0xEE0122FF;
    static constexpr uint64_t kFrameMagicBytes = 4;
    static constexpr uint64_t kFrameHeadBytes = kFrameMagicBytes + 1 + 8 + 8;
    static constexpr uint32_t kImageHeadBytes = 2;  // counted in the image section's length
    static constexpr uint32_t kStatusHeadBytes = 8 + 4 + 1;

    // Index: version, the offsets of the MAIN and CALIBRATION lists counted from the
    // index's first byte, then each list as u32 count and its entries (u64 elapsed, u64
    // offset, u32 size). The user metadata table that follows holds no tags.
    static constexpr uint8_t kIndexVersion = 2;
    static constexpr uint32_t kIndexHeadBytes = 1 + 4 + 4;
    static constexpr uint32_t kIndexEntryBytes = 8 + 8 + 4;
    static constexpr uint32_t kNoTags = 0;
    // The whole index table for these MAIN entries and no CALIBRATION frames.
    static std::vector<uint8_t> IndexTable(const std::vector<AdvIndexEntry>& entries);

    // Time stamps count nanoseconds since 2010-01-01 00:00 UTC; frame timestamps 100-ns
    // ticks since 0001-01-01.
    static constexpr uint64_t kTicksAt2010 = 633979008000000000ULL;
    // 0 for a time before 2010 (a camera whose clock is not set yet) or past the range.
    static uint64_t TimeStampOf(uint64_t ticks);
    // 0 (unknown) stays 0.
    static uint64_t TicksOf(uint64_t timeStamp) { return timeStamp == 0 ? 0 : kTicksAt2010 + timeStamp / 100; }
};

}  // namespace orva
