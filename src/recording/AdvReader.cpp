#include "recording/AdvReader.h"

#include "processing/FrameWorkerPool.h"
#include "recording/Lagarith16Encoder.h"

#include <algorithm>
#include <cstring>

namespace orva {
namespace {

constexpr uint32_t kMaxSide = 65535;

bool ParseInt(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + (ch - '0');
    }
    return true;
}

}  // namespace

// Reads values one after the other from a file (or a frame's bytes), checking each
// against the end; `base` is the file offset of the source's first byte, for messages.
class AdvReader::Cursor {
public:
    Cursor(AdvReader& reader, BinaryInputFile& source, uint64_t position, uint64_t base = 0)
        : reader_(reader), source_(source), position_(position), base_(base) {}

    uint64_t Position() const { return position_; }
    uint64_t FileOffset() const { return base_ + position_; }
    uint64_t Remaining() const { return source_.Size() - std::min(position_, source_.Size()); }

    bool Bytes(void* out, std::size_t length, const char* what) {
        if (!source_.ReadAt(position_, out, length)) {
            return reader_.Fail(FileOffset(), std::string(what) + " runs past the end of the " +
                                                  (base_ != 0 ? "frame" : "file"));
        }
        position_ += length;
        return true;
    }
    bool Skip(uint64_t length, const char* what) {
        if (length > Remaining()) {
            return reader_.Fail(FileOffset(), std::string(what) + " runs past the end of the " +
                                                  (base_ != 0 ? "frame" : "file"));
        }
        position_ += length;
        return true;
    }
    bool U8(uint8_t& v, const char* what) { return Bytes(&v, 1, what); }
    bool U16(uint16_t& v, const char* what) { return Number(v, what); }
    bool U32(uint32_t& v, const char* what) { return Number(v, what); }
    bool U64(uint64_t& v, const char* what) { return Number(v, what); }
    bool String(std::string& text, const char* what) {
        uint16_t length = 0;
        if (!U16(length, what)) return false;
        text.resize(length);
        return Bytes(text.data(), length, what);
    }
    // Reads a count byte or word and checks that the file can hold that many items of
    // at least `minBytes` each, before anything is allocated for them.
    bool CountFits(uint64_t count, std::size_t minBytes, const char* what) {
        if (count > Remaining() / minBytes) {
            return reader_.Fail(FileOffset(), std::to_string(count) + " " + what + " cannot fit in the rest of the " +
                                                  (base_ != 0 ? "frame" : "file"));
        }
        return true;
    }

private:
    template <typename T>
    bool Number(T& v, const char* what) {
        uint8_t bytes[sizeof(T)];
        if (!Bytes(bytes, sizeof(T), what)) return false;
        v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>(v | (static_cast<T>(bytes[i]) << (8 * i)));
        return true;
    }

    AdvReader& reader_;
    BinaryInputFile& source_;
    uint64_t position_;
    uint64_t base_;
};

AdvReader::AdvReader() = default;

AdvReader::~AdvReader() = default;

bool AdvReader::Open(const std::string& path, Mode mode) {
    name_ = path;
    if (!file_.Open(path)) {
        error_ = path + ": cannot be opened: " + file_.ErrorText();
        return false;
    }
    return Check(mode);
}

bool AdvReader::OpenBytes(const uint8_t* data, std::size_t size, Mode mode) {
    name_ = "ADV data";
    file_.OpenBytes(data, size);
    return Check(mode);
}

bool AdvReader::Fail(uint64_t offset, const std::string& what) {
    error_ = name_ + ": at offset " + std::to_string(offset) + ": " + what;
    return false;
}

std::optional<std::string> AdvReader::TagValue(const std::vector<AdvTag>& tags, const std::string& name) {
    for (const AdvTag& t : tags) {
        if (t.name == name) return t.value;
    }
    return std::nullopt;
}

bool AdvReader::ReadTags(Cursor& c, std::size_t count, std::vector<AdvTag>& tags) {
    if (!c.CountFits(count, 4, "tags")) return false;
    tags.resize(count);
    for (AdvTag& t : tags) {
        if (!c.String(t.name, "a tag name") || !c.String(t.value, "a tag value")) return false;
    }
    return true;
}

bool AdvReader::Check(Mode mode) {
    error_.clear();
    framesAt_ = 0;
    framesEnd_ = 0;
    framesEndReason_.clear();
    streams_.clear();
    layouts_.clear();
    imageTags_.clear();
    channels_.clear();
    systemTags_.clear();
    userTags_.clear();
    index_.clear();
    regions_.clear();
    Cursor c(*this, file_, 0);
    uint32_t magic = 0;
    if (!c.U32(magic, "the file header")) return false;
    if (magic != AdvFormat::kFileMagic) {
        return Fail(0, std::string("the file does not start with ") + AdvFormat::kFileMagicText);
    }
    const uint64_t versionAt = c.FileOffset();
    if (!c.U8(version_, "the file header")) return false;
    if (version_ != AdvFormat::kVersion) {
        return Fail(versionAt, "version " + std::to_string(version_) + " is not " + std::to_string(AdvFormat::kVersion));
    }
    uint32_t zero = 0;
    uint64_t systemOffset = 0;
    uint64_t userOffset = 0;
    uint8_t streamCount = 0;
    if (!c.U32(zero, "the file header") || !c.U64(indexOffset_, "the file header") ||
        !c.U64(systemOffset, "the file header") || !c.U64(userOffset, "the file header") ||
        !c.U8(streamCount, "the file header")) {
        return false;
    }
    streams_.resize(streamCount);
    for (AdvStream& s : streams_) {
        if (!c.String(s.name, "a stream entry") || !c.U32(s.frameCount, "a stream entry") ||
            !c.U64(s.clockFrequency, "a stream entry") || !c.U32(s.value, "a stream entry") ||
            !c.U64(s.metadataOffset, "a stream entry")) {
            return false;
        }
    }
    if (streams_.empty() || streams_[0].name != AdvFormat::kMainStream) {
        return Fail(AdvFormat::kStreamCountAt, std::string("the first stream is not ") + AdvFormat::kMainStream);
    }
    uint8_t sectionCount = 0;
    if (!c.U8(sectionCount, "the section list")) return false;
    std::optional<uint64_t> imageOffset;
    std::optional<uint64_t> statusOffset;
    for (uint8_t i = 0; i < sectionCount; ++i) {
        std::string name;
        uint64_t offset = 0;
        if (!c.String(name, "the section list") || !c.U64(offset, "the section list")) return false;
        if (name == AdvFormat::kImageSection) imageOffset = offset;
        if (name == AdvFormat::kStatusSection) statusOffset = offset;
    }
    if (!imageOffset) return Fail(c.FileOffset(), "the section list has no IMAGE section");
    if (!statusOffset) return Fail(c.FileOffset(), "the section list has no STATUS section");
    if (!ReadImageSection(*imageOffset) || !ReadStatusSection(*statusOffset)) return false;

    if (systemOffset == 0) return Fail(AdvFormat::kSystemMetadataOffsetAt, "the system metadata table was never written");
    Cursor system(*this, file_, systemOffset);
    uint32_t tagCount = 0;
    if (!system.U32(tagCount, "the system metadata table") || !ReadTags(system, tagCount, systemTags_)) return false;
    // The frames follow the system metadata table.
    framesAt_ = system.FileOffset();
    if (mode == Mode::Recover) {
        FindFrames();
        return true;
    }

    if (indexOffset_ == 0) {
        return Fail(AdvFormat::kIndexOffsetAt, "the index was never written: the recording did not finish");
    }
    if (!ReadIndex()) return false;
    if (userOffset == 0) return Fail(AdvFormat::kUserMetadataOffsetAt, "the user metadata table was never written");
    Cursor user(*this, file_, userOffset);
    if (!user.U32(tagCount, "the user metadata table") || !ReadTags(user, tagCount, userTags_)) return false;
    if (streams_[0].frameCount != index_.size()) {
        return Fail(indexOffset_, "the MAIN stream counts " + std::to_string(streams_[0].frameCount) +
                                      " frames, its index " + std::to_string(index_.size()));
    }
    return true;
}

bool AdvReader::ReadImageSection(uint64_t offset) {
    Cursor c(*this, file_, offset);
    uint8_t sectionVersion = 0;
    uint8_t layoutCount = 0;
    if (!c.U8(sectionVersion, "the image section header") || !c.U32(width_, "the image section header") ||
        !c.U32(height_, "the image section header") || !c.U8(bitDepth_, "the image section header")) {
        return false;
    }
    if (width_ == 0 || width_ > kMaxSide || height_ == 0 || height_ > kMaxSide) {
        return Fail(offset + 1, "image size " + std::to_string(width_) + " x " + std::to_string(height_) +
                                    " is not between 1 and 65535 on both sides");
    }
    if (static_cast<uint64_t>(width_) * height_ > kMaxSamples) {
        return Fail(offset + 1, "image of " + std::to_string(width_) + " x " + std::to_string(height_) +
                                    " samples is larger than this reader handles");
    }
    if (!c.U8(layoutCount, "the image section header")) return false;
    layouts_.resize(layoutCount);
    for (AdvLayout& layout : layouts_) {
        uint8_t tagCount = 0;
        if (!c.U8(layout.id, "an image layout") || !c.U8(layout.second, "an image layout") ||
            !c.U8(layout.bitDepth, "an image layout") || !c.U8(tagCount, "an image layout") ||
            !ReadTags(c, tagCount, layout.tags)) {
            return false;
        }
    }
    uint8_t tagCount = 0;
    if (!c.U8(tagCount, "the image tags") || !ReadTags(c, tagCount, imageTags_)) return false;

    const auto layout1 = std::find_if(layouts_.begin(), layouts_.end(),
                                      [](const AdvLayout& l) { return l.id == AdvFormat::kFullImageLayout; });
    if (layout1 == layouts_.end()) return Fail(offset, "the image section declares no layout 1");
    const auto compression = TagValue(layout1->tags, AdvFormat::kCompressionTag);
    layout1Coded_ = compression == AdvFormat::kLagarith16;
    if (!layout1Coded_ && compression != AdvFormat::kUncompressed) {
        return Fail(offset, "layout 1 has an unknown compression " + compression.value_or("(none)"));
    }
    return CheckRegions(offset);
}

bool AdvReader::CheckRegions(uint64_t offset) {
    regionBytes_ = 0;
    const auto layout2 = std::find_if(layouts_.begin(), layouts_.end(),
                                      [](const AdvLayout& l) { return l.id == AdvFormat::kRegionLayout; });
    if (layout2 == layouts_.end()) return true;
    const auto tag = [&](const std::string& name, int& value) {
        const auto text = TagValue(layout2->tags, name);
        if (!text || !ParseInt(*text, value)) {
            return Fail(offset, "layout 2 has no valid " + name + " tag");
        }
        return true;
    };
    int count = 0;
    if (!tag(AdvFormat::kRegionCountTag, count)) return false;
    if (count > 255) return Fail(offset, "layout 2 declares " + std::to_string(count) + " regions");
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        AdvRegion r;
        if (!tag(AdvFormat::kRegionTopTag + n, r.top) || !tag(AdvFormat::kRegionLeftTag + n, r.left) ||
            !tag(AdvFormat::kRegionWidthTag + n, r.width) || !tag(AdvFormat::kRegionHeightTag + n, r.height)) {
            return false;
        }
        if (r.width == 0 || r.height == 0 || static_cast<uint64_t>(r.left) + r.width > width_ ||
            static_cast<uint64_t>(r.top) + r.height > height_) {
            return Fail(offset, "region " + n + " does not lie inside the frame");
        }
        regions_.push_back(r);
        regionBytes_ += 2ull * static_cast<uint64_t>(r.width) * static_cast<uint64_t>(r.height);
    }
    return true;
}

bool AdvReader::ReadStatusSection(uint64_t offset) {
    Cursor c(*this, file_, offset);
    uint8_t sectionVersion = 0;
    uint64_t value = 0;
    uint8_t count = 0;
    if (!c.U8(sectionVersion, "the status section header") || !c.U64(value, "the status section header") ||
        !c.U8(count, "the status section header") || !c.CountFits(count, 3, "status channels")) {
        return false;
    }
    channels_.resize(count);
    for (AdvStatusChannel& ch : channels_) {
        const uint64_t at = c.FileOffset();
        if (!c.String(ch.name, "a status channel") || !c.U8(ch.type, "a status channel")) return false;
        if (ch.type > AdvFormat::kText) return Fail(at, "status channel " + ch.name + " has unknown type " + std::to_string(ch.type));
    }
    return true;
}

bool AdvReader::ReadIndex() {
    Cursor c(*this, file_, indexOffset_);
    uint8_t indexVersion = 0;
    uint32_t mainRelative = 0;
    uint32_t calibrationRelative = 0;
    if (!c.U8(indexVersion, "the index") || !c.U32(mainRelative, "the index") ||
        !c.U32(calibrationRelative, "the index")) {
        return false;
    }
    Cursor main(*this, file_, indexOffset_ + mainRelative);
    uint32_t entries = 0;
    const uint64_t entryBytes = AdvFormat::kIndexEntryBytes;
    if (!main.U32(entries, "the MAIN index") || !main.CountFits(entries, entryBytes, "index entries")) return false;
    const uint64_t entriesAt = main.FileOffset();
    std::vector<uint8_t> bytes(entryBytes * entries);
    if (!main.Bytes(bytes.data(), bytes.size(), "the MAIN index")) return false;
    index_.resize(entries);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* e = &bytes[entryBytes * i];
        index_[i] = {static_cast<int64_t>(BinaryInputFile::U64(e)), BinaryInputFile::U64(e + 8), BinaryInputFile::U32(e + 16)};
        if (!file_.Holds(index_[i].offset, AdvFormat::kFrameMagicBytes + index_[i].size)) {
            return Fail(entriesAt + entryBytes * i,
                        "index entry " + std::to_string(i) + " points past the end of the file");
        }
    }
    Cursor calibration(*this, file_, indexOffset_ + calibrationRelative);
    uint32_t calibrationEntries = 0;
    return calibration.U32(calibrationEntries, "the CALIBRATION index");
}

void AdvReader::FindFrames() {
    uint64_t at = framesAt_;
    uint64_t firstStart = 0;
    // A finished recording's index follows its last frame.
    while (at < file_.Size() && at != indexOffset_) {
        uint64_t start = 0;
        uint64_t end = 0;
        framesEndReason_ = CheckFrameAt(at, start, end);
        if (!framesEndReason_.empty()) break;
        if (index_.empty()) firstStart = start;
        // The difference of the frame timestamps, as the writer keeps it; unknown times give 0.
        const int64_t elapsed = start != 0 && firstStart != 0 ? static_cast<int64_t>(start - firstStart) / 100 : 0;
        index_.push_back({elapsed, at, static_cast<uint32_t>(end - at - AdvFormat::kFrameMagicBytes)});
        at = end;
    }
    framesEnd_ = at;
}

std::string AdvReader::CheckFrameAt(uint64_t at, uint64_t& start, uint64_t& end) {
    static const std::string incomplete = "an incomplete frame";
    static const std::string damaged = "a damaged frame";
    // The frame head up to the image section's layout id and zero byte.
    uint8_t head[AdvFormat::kFrameHeadBytes + 4 + AdvFormat::kImageHeadBytes];
    const auto available = static_cast<std::size_t>(std::min<uint64_t>(sizeof(head), file_.Size() - at));
    if (!file_.ReadAt(at, head, available)) return incomplete;
    for (std::size_t i = 0; i < std::min<std::size_t>(available, AdvFormat::kFrameMagicBytes); ++i) {
        if (head[i] != static_cast<uint8_t>(AdvFormat::kFrameMagic >> (8 * i))) return "bytes that are no frame";
    }
    if (available < sizeof(head)) return incomplete;
    start = BinaryInputFile::U64(head + AdvFormat::kFrameMagicBytes + 1);
    const uint32_t imageLength = BinaryInputFile::U32(head + AdvFormat::kFrameHeadBytes);
    const uint8_t layout = head[AdvFormat::kFrameHeadBytes + 4];
    if (imageLength < AdvFormat::kImageHeadBytes) return damaged;
    const uint64_t payload = imageLength - AdvFormat::kImageHeadBytes;
    if (layout == AdvFormat::kFullImageLayout) {
        if (!layout1Coded_ && payload != 2ull * width_ * height_) return damaged;
    } else if (layout != AdvFormat::kRegionLayout || regions_.empty() || payload != regionBytes_) {
        return damaged;
    }
    const uint64_t statusAt = at + AdvFormat::kFrameHeadBytes + 4 + imageLength;
    uint8_t length[4];
    if (!file_.ReadAt(statusAt, length, sizeof(length))) return incomplete;
    const uint32_t statusLength = BinaryInputFile::U32(length);
    if (statusLength < AdvFormat::kStatusHeadBytes) return damaged;
    if (!file_.Holds(statusAt + 4, statusLength)) return incomplete;
    end = statusAt + 4 + statusLength;
    // The index keeps a frame's size in 32 bits.
    if (end - at - AdvFormat::kFrameMagicBytes > UINT32_MAX) return damaged;
    return "";
}

bool AdvReader::ReadFrame(uint32_t index, AdvFrame& frame) {
    AdvFrame* const frames[] = {&frame};
    return ReadRun(index, frames, 1) == 1;
}

bool AdvReader::ReadTwoFrames(uint32_t index, AdvFrame& first, AdvFrame& second) {
    AdvFrame* const frames[] = {&first, &second};
    return ReadRun(index, frames, 2) == 2;
}

void AdvReader::SetDecodeThreads(int threads) {
    threads = std::clamp(threads, 1, FrameWorkerPool::kMaxThreads);
    if (threads == decodeThreads_) return;
    decodeThreads_ = threads;
    pool_.reset();  // joins the old workers
    if (threads > 1) pool_ = std::make_unique<FrameWorkerPool>(threads, FrameWorkerPool::Use::Background, "adv-decode");
}

bool AdvReader::ReadEachFrame(const FrameVisitor& take) {
    // A pair per thread: each thread's decoding chains stay full while the run lasts. The
    // largest frames would make a run of many threads too large to hold: fewer pairs then.
    constexpr uint64_t kRunBytes = uint64_t{256} << 20;
    const uint64_t pairBytes = 2 * 2 * uint64_t{width_} * height_;
    const auto pairs = static_cast<uint32_t>(std::clamp<uint64_t>(kRunBytes / std::max<uint64_t>(pairBytes, 1), 1,
                                                                  static_cast<uint64_t>(decodeThreads_)));
    const uint32_t runLength = 2 * pairs;
    runFrames_.resize(runLength);
    std::vector<AdvFrame*> frames;
    for (AdvFrame& f : runFrames_) frames.push_back(&f);
    for (uint32_t index = 0; index < FrameCount(); index += runLength) {
        const uint32_t count = std::min(runLength, FrameCount() - index);
        const uint32_t whole = ReadRun(index, frames.data(), count);
        for (uint32_t k = 0; k < whole; ++k) take(index + k, runFrames_[k]);
        if (whole != count) return false;
    }
    return true;
}

// The frames are parsed here, one after the other, up to the first that is damaged; their
// images are decoded together; then the first fault in frame order is the one reported.
// A frame's image comes before its status values: its decoding error is the one to
// report even when the status values were found damaged too.
uint32_t AdvReader::ReadRun(uint32_t index, AdvFrame* const* frames, uint32_t count) {
    if (runBytes_.size() < count) runBytes_.resize(count);
    runImages_.assign(count, CodedImage{});
    uint32_t parsed = 0;
    while (parsed < count && ParseFrame(index + parsed, *frames[parsed], runBytes_[parsed], runImages_[parsed])) ++parsed;
    // The damaged frame's image, when found, is decoded too: its fault may come first.
    const uint32_t seen = std::min(parsed + 1, count);
    DecodeRun(frames, seen);
    for (uint32_t k = 0; k < seen; ++k) {
        const Lagarith16Job& job = runJobs_[k];
        if (runImages_[k].coded && !job.ok) {
            Fail(runImages_[k].at + job.error.offset, job.error.what);
            return k;
        }
    }
    return parsed;  // the error of a damaged frame is ParseFrame's
}

void AdvReader::DecodeRun(AdvFrame* const* frames, uint32_t count) {
    runJobs_.clear();
    std::vector<uint32_t> coded;
    for (uint32_t k = 0; k < count; ++k) {
        runJobs_.emplace_back(runImages_[k].payload, frames[k]->pixels);
        if (runImages_[k].coded) coded.push_back(k);
    }
    const auto pairs = static_cast<int>((coded.size() + 1) / 2);
    while (decoders_.size() < static_cast<std::size_t>(pairs)) decoders_.push_back(std::make_unique<Lagarith16Decoder>());
    // Each part touches only its own decoder, jobs and frames' pixels.
    const FrameWorkerPool::Task decodePair = [&](int pair, int) {
        Lagarith16Decoder& decoder = *decoders_[static_cast<std::size_t>(pair)];
        Lagarith16Job& first = runJobs_[coded[2 * static_cast<std::size_t>(pair)]];
        if (2 * static_cast<std::size_t>(pair) + 1 < coded.size()) {
            decoder.DecodeTwo(first, runJobs_[coded[2 * static_cast<std::size_t>(pair) + 1]]);
        } else {
            first.ok = decoder.Decode(first.block, first.samples, first.error);
        }
    };
    if (pairs == 0) return;
    if (pool_ != nullptr) {
        pool_->Run(pairs, decodePair);
    } else {
        for (int pair = 0; pair < pairs; ++pair) decodePair(pair, pairs);
    }
}

bool AdvReader::ParseFrame(uint32_t index, AdvFrame& frame, std::vector<uint8_t>& frameBytes, CodedImage& image) {
    image.coded = false;
    if (index >= index_.size()) return Fail(0, "there is no frame " + std::to_string(index));
    const AdvIndexEntry& entry = index_[index];
    frameBytes.resize(AdvFormat::kFrameMagicBytes + entry.size);
    if (!file_.ReadAt(entry.offset, frameBytes.data(), frameBytes.size())) {
        return Fail(entry.offset, "frame " + std::to_string(index) + " runs past the end of the file");
    }
    BinaryInputFile bytes;
    bytes.OpenBytes(frameBytes.data(), frameBytes.size());
    Cursor c(*this, bytes, 0, entry.offset);
    uint32_t magic = 0;
    if (!c.U32(magic, "the frame magic")) return false;
    if (magic != AdvFormat::kFrameMagic) return Fail(entry.offset, "frame " + std::to_string(index) + " has no frame magic");
    uint32_t imageLength = 0;
    uint8_t zero = 0;
    if (!c.U8(frame.stream, "the frame head") || !c.U64(frame.start, "the frame head") ||
        !c.U64(frame.end, "the frame head") || !c.U32(imageLength, "the image section") ||
        !c.U8(frame.layout, "the image section") || !c.U8(zero, "the image section")) {
        return false;
    }
    const uint64_t payloadAt = c.FileOffset();
    if (imageLength < AdvFormat::kImageHeadBytes || imageLength - AdvFormat::kImageHeadBytes > c.Remaining()) {
        return Fail(payloadAt - 6, "image section length " + std::to_string(imageLength) + " does not fit the frame");
    }
    const std::size_t payloadLength = imageLength - AdvFormat::kImageHeadBytes;
    const std::span<const uint8_t> payload(frameBytes.data() + c.Position(), payloadLength);
    const std::size_t samples = static_cast<std::size_t>(width_) * height_;
    frame.stored = false;
    if (frame.layout == AdvFormat::kFullImageLayout) {
        frame.pixels.resize(samples);
        if (layout1Coded_) {
            image = {true, payload, payloadAt};  // decoded by the caller
            frame.stored = payloadLength == Lagarith16Encoder::kStoredPrefixBytes + 2 * samples;
        } else {
            if (payloadLength != 2 * samples) {
                return Fail(payloadAt, "raw frame of " + std::to_string(payloadLength) + " bytes, " +
                                           std::to_string(2 * samples) + " expected");
            }
            for (std::size_t i = 0; i < samples; ++i) frame.pixels[i] = BinaryInputFile::U16(&payload[2 * i]);
        }
    } else if (frame.layout == AdvFormat::kRegionLayout && !regions_.empty()) {
        if (payloadLength != regionBytes_) {
            return Fail(payloadAt, "region data of " + std::to_string(payloadLength) + " bytes, " +
                                       std::to_string(regionBytes_) + " expected");
        }
        frame.pixels.resize(payloadLength / 2);
        for (std::size_t i = 0; i < frame.pixels.size(); ++i) frame.pixels[i] = BinaryInputFile::U16(&payload[2 * i]);
    } else {
        return Fail(payloadAt - 2, "frame " + std::to_string(index) + " uses undeclared layout " + std::to_string(frame.layout));
    }
    if (!c.Skip(payloadLength, "the image data")) return false;

    uint32_t statusLength = 0;
    const uint64_t statusAt = c.FileOffset();
    if (!c.U32(statusLength, "the status section")) return false;
    if (statusLength != c.Remaining() || statusLength < AdvFormat::kStatusHeadBytes) {
        return Fail(statusAt, "status section length " + std::to_string(statusLength) + " does not match the " +
                                  std::to_string(c.Remaining()) + " bytes left of the frame");
    }
    uint8_t entries = 0;
    if (!c.U64(frame.middle, "the status section") || !c.U32(frame.duration, "the status section") ||
        !c.U8(entries, "the status section")) {
        return false;
    }
    frame.status.resize(entries);
    for (AdvStatusValue& v : frame.status) {
        const uint64_t at = c.FileOffset();
        if (!c.U8(v.channel, "a status value")) return false;
        if (v.channel >= channels_.size()) return Fail(at, "status value for unknown channel " + std::to_string(v.channel));
        v.integer = 0;
        v.text.clear();
        bool ok = true;
        switch (channels_[v.channel].type) {
            case AdvFormat::kInt8: {
                uint8_t x = 0;
                ok = c.U8(x, "a status value");
                v.integer = x;
                break;
            }
            case AdvFormat::kInt16: {
                uint16_t x = 0;
                ok = c.U16(x, "a status value");
                v.integer = x;
                break;
            }
            case AdvFormat::kInt32: {
                uint32_t x = 0;
                ok = c.U32(x, "a status value");
                v.integer = x;
                break;
            }
            case AdvFormat::kInt64: ok = c.U64(v.integer, "a status value"); break;
            case AdvFormat::kReal: {
                uint32_t bits = 0;
                ok = c.U32(bits, "a status value");
                std::memcpy(&v.real, &bits, sizeof(bits));
                break;
            }
            default: ok = c.String(v.text, "a status value"); break;
        }
        if (!ok) return false;
    }
    if (c.Remaining() != 0) {
        return Fail(c.FileOffset(), std::to_string(c.Remaining()) + " bytes after the status values of frame " +
                                        std::to_string(index));
    }
    return true;
}

}  // namespace orva
