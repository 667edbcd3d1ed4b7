#pragma once
// Reads an ADV file as AdvWriter writes it: the streams, sections, image layouts, status
// channels, metadata tags and the frame index, and then any frame with its time stamps,
// image (decoded from LAGARITH16 where so declared) and status values.
//
// Outside input: the header, the tables and the index are checked when the file is
// opened, each frame when it is read. A damaged file is refused with a message naming
// the offset and what was wrong ("<file>: at offset N: ..."); nothing is read outside the
// file, tables are not allocated larger than the bytes that hold them, and a frame of
// more than kMaxSamples samples is refused.
//
// A recording cut short by a crash (no index, no closing tables, frame count 0, the last
// frame cut in the middle) is refused as well unless it is opened for recovery: the
// header and tables are checked as always, then the frames are found by walking them from
// the end of the system metadata table, each checked (magic, section lengths, layout,
// within the file) before it is taken. The walk stops cleanly at the first frame that is
// cut or damaged, or where the index begins; the whole frames before it make the index.
//
// Threads: one thread at a time. ReadEachFrame (and ReadTwoFrames) may hand the decoding
// of a run's images to the reader's own worker threads, one image or pair per worker,
// each decoding into its frame only; every run is finished before the call returns, and
// the workers are joined when the reader is destroyed or given another thread count.

#include "recording/AdvFormat.h"
#include "recording/BinaryInputFile.h"
#include "recording/Lagarith16Decoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orva {

class FrameWorkerPool;

struct AdvTag {
    std::string name;
    std::string value;
    bool operator==(const AdvTag&) const = default;
};

struct AdvStream {
    std::string name;
    uint32_t frameCount = 0;
    uint64_t clockFrequency = 0;
    uint32_t value = 0;  // the u32 after the clock
    uint64_t metadataOffset = 0;
};

struct AdvLayout {
    uint8_t id = 0;
    uint8_t second = 0;  // repeats the id
    uint8_t bitDepth = 0;
    std::vector<AdvTag> tags;
};

struct AdvStatusChannel {
    std::string name;
    uint8_t type = 0;  // AdvFormat::ChannelType
};

struct AdvStatusValue {
    uint8_t channel = 0;
    uint64_t integer = 0;  // types 0 to 3
    float real = 0.0f;     // type 4
    std::string text;      // type 5
};

struct AdvFrame {
    uint8_t stream = 0;
    uint64_t start = 0;  // nanoseconds since 2010-01-01
    uint64_t end = 0;
    uint8_t layout = 0;
    bool stored = false;  // a LAGARITH16 frame kept raw because coding did not shrink it
    // Layout 1: the whole frame, top row first. Layout 2: the regions' rows one after the
    // other, in region order.
    std::vector<uint16_t> pixels;
    uint64_t middle = 0;
    uint32_t duration = 0;
    std::vector<AdvStatusValue> status;
};

class AdvReader {
public:
    static constexpr uint64_t kMaxSamples = 1ull << 26;
    using FrameVisitor = std::function<void(uint32_t index, const AdvFrame& frame)>;

    AdvReader();
    ~AdvReader();
    AdvReader(const AdvReader&) = delete;
    AdvReader& operator=(const AdvReader&) = delete;

    enum class Mode {
        Strict,   // the index and closing tables must be there and agree with the header
        Recover,  // a recording cut short: the whole frames found by walking them
    };

    bool Open(const std::string& path, Mode mode = Mode::Strict);
    bool OpenBytes(const uint8_t* data, std::size_t size, Mode mode = Mode::Strict);
    // Why the last Open or ReadFrame failed: "<file>: at offset N: what".
    const std::string& Error() const { return error_; }

    uint8_t Version() const { return version_; }
    const std::vector<AdvStream>& Streams() const { return streams_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint8_t BitDepth() const { return bitDepth_; }
    const std::vector<AdvLayout>& Layouts() const { return layouts_; }
    const std::vector<AdvTag>& ImageTags() const { return imageTags_; }
    const std::vector<AdvStatusChannel>& StatusChannels() const { return channels_; }
    const std::vector<AdvTag>& SystemTags() const { return systemTags_; }
    const std::vector<AdvTag>& UserTags() const { return userTags_; }
    // In recovery, the whole frames found, with the elapsed times the writer gives them.
    const std::vector<AdvIndexEntry>& Index() const { return index_; }
    // As stored; 0 when the recording never finished.
    uint64_t IndexOffset() const { return indexOffset_; }
    // Recovery: where the whole frames end, and what lies there when it is neither the
    // end of the file nor the index ("an incomplete frame", "bytes that are no frame",
    // "a damaged frame"), else empty.
    uint64_t FramesEnd() const { return framesEnd_; }
    const std::string& FramesEndReason() const { return framesEndReason_; }
    // The regions of layout 2 (empty without one).
    const std::vector<AdvRegion>& Regions() const { return regions_; }

    uint32_t FrameCount() const { return static_cast<uint32_t>(index_.size()); }
    bool ReadFrame(uint32_t index, AdvFrame& frame);
    // Frames index and index + 1, as ReadFrame(index, first) && ReadFrame(index + 1,
    // second) would read them (the same error first), with their LAGARITH16 images decoded
    // in one interleaved pass: for reading a whole recording about 1.3 times as fast.
    bool ReadTwoFrames(uint32_t index, AdvFrame& first, AdvFrame& second);

    // The threads, the caller's included, that decode the runs of ReadEachFrame: 1 (the
    // default) to FrameWorkerPool::kMaxThreads; others are clamped.
    void SetDecodeThreads(int threads);
    // Reads every frame in order as ReadFrame would and hands each to `take`, decoding
    // runs of frames side by side on the decode threads. At a damaged frame, every frame
    // before it has been handed over; it is not, and the result is false with ReadFrame's
    // error for it.
    bool ReadEachFrame(const FrameVisitor& take);

    static std::optional<std::string> TagValue(const std::vector<AdvTag>& tags, const std::string& name);

private:
    class Cursor;
    // A LAGARITH16 image found in a frame, still to be decoded.
    struct CodedImage {
        bool coded = false;
        std::span<const uint8_t> payload;
        uint64_t at = 0;  // file offset of the payload
    };

    // Everything of a frame but the decoding of a coded image, which `image` then holds
    // (pointing into frameBytes). False when the frame is damaged.
    bool ParseFrame(uint32_t index, AdvFrame& frame, std::vector<uint8_t>& frameBytes, CodedImage& image);
    // Frames index to index + count - 1, each as ReadFrame reads it; how many were read
    // whole before the first damaged one, whose error is then set.
    uint32_t ReadRun(uint32_t index, AdvFrame* const* frames, uint32_t count);
    // Decodes the coded images of a run, in pairs, on the decode threads.
    void DecodeRun(AdvFrame* const* frames, uint32_t count);

    bool Check(Mode mode);
    void FindFrames();
    // Empty when a whole frame starts at `at`, with its exposure start and the offset just
    // after it; else what lies there.
    std::string CheckFrameAt(uint64_t at, uint64_t& start, uint64_t& end);
    bool ReadImageSection(uint64_t offset);
    bool ReadStatusSection(uint64_t offset);
    bool ReadTags(Cursor& c, std::size_t count, std::vector<AdvTag>& tags);
    bool ReadIndex();
    bool CheckRegions(uint64_t imageSectionOffset);
    bool Fail(uint64_t offset, const std::string& what);

    BinaryInputFile file_;
    std::string name_;
    std::string error_;
    uint8_t version_ = 0;
    std::vector<AdvStream> streams_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint8_t bitDepth_ = 0;
    std::vector<AdvLayout> layouts_;
    std::vector<AdvTag> imageTags_;
    std::vector<AdvStatusChannel> channels_;
    std::vector<AdvTag> systemTags_;
    std::vector<AdvTag> userTags_;
    std::vector<AdvIndexEntry> index_;
    uint64_t indexOffset_ = 0;
    uint64_t framesAt_ = 0;
    uint64_t framesEnd_ = 0;
    std::string framesEndReason_;
    std::vector<AdvRegion> regions_;
    uint64_t regionBytes_ = 0;
    bool layout1Coded_ = false;
    // One of each per frame of a run.
    std::vector<std::vector<uint8_t>> runBytes_;
    std::vector<CodedImage> runImages_;
    std::vector<Lagarith16Job> runJobs_;
    std::vector<AdvFrame> runFrames_;  // ReadEachFrame's
    // One per pair of a run: a decoder keeps its tables from block to block.
    std::vector<std::unique_ptr<Lagarith16Decoder>> decoders_;
    int decodeThreads_ = 1;
    std::unique_ptr<FrameWorkerPool> pool_;  // with more than one decode thread
};

}  // namespace orva
