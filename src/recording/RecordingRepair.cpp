#include "recording/RecordingRepair.h"

#include "processing/FrameTimestamp.h"
#include "processing/ParseBinaryOverlay.h"
#include "recording/AdvReader.h"
#include "recording/BinaryInputFile.h"
#include "recording/OutputFile.h"
#include "recording/SerReader.h"
#include "recording/SerWriter.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace orva {
namespace {

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

// Little-endian patching and appending on an output file.
bool PutU8(OutputFile& f, uint8_t v) { return f.Write(&v, 1); }
bool PutU32(OutputFile& f, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    return f.Write(b, 4);
}
bool PutU64(OutputFile& f, uint64_t v) { return PutU32(f, static_cast<uint32_t>(v)) && PutU32(f, static_cast<uint32_t>(v >> 32)); }

// ADV file header: magic, version, a zero word, then the offsets the stop fills in.
constexpr uint64_t kAdvIndexOffsetAt = 9;
constexpr uint64_t kAdvSystemOffsetAt = 17;
constexpr uint64_t kAdvUserOffsetAt = 25;
constexpr uint64_t kAdvFirstStreamAt = 34;
// Frame: magic, stream byte, start and end times, then the image and status sections,
// each with a 32-bit length.
constexpr uint64_t kAdvFrameHeadBytes = 4 + 1 + 8 + 8;

}  // namespace

std::string RecordingRepair::RepairedPath(const std::string& path) {
    const std::filesystem::path p(path);
    const std::string stem = (p.parent_path() / p.stem()).string();
    const std::string ext = p.extension().string();
    std::string candidate = stem + "_repaired" + ext;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(candidate, ec); ++n) candidate = stem + "_repaired_" + std::to_string(n) + ext;
    return candidate;
}

std::optional<RepairResult> RecordingRepair::Repair(const std::string& path, std::string& error) {
    BinaryInputFile file;
    if (!file.Open(path)) {
        error = path + ": cannot be opened: " + file.ErrorText();
        return std::nullopt;
    }
    uint8_t head[14] = {};
    const bool read = file.ReadAt(0, head, std::min<uint64_t>(sizeof(head), file.Size()));
    file.Close();
    const std::string start(reinterpret_cast<const char*>(head), read ? sizeof(head) : 0);
    if (start.rfind("LUCAM-RECORDER", 0) == 0) return RepairSer(path, error);
    if (start.rfind("FSTF", 0) == 0) return RepairAdv(path, error);
    error = path + ": not a SER or ADV recording";
    return std::nullopt;
}

std::optional<RepairResult> RecordingRepair::RepairSer(const std::string& path, std::string& error) {
    SerReader complete;
    if (complete.Open(path)) {
        error = path + ": the recording is complete; there is nothing to repair";
        return std::nullopt;
    }
    SerReader reader;
    if (!reader.Open(path, SerReader::Mode::Recover)) {
        error = reader.Error();
        return std::nullopt;
    }
    const SerHeader& h = reader.Header();
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);
    RepairResult result;
    result.path = RepairedPath(path);
    SerWriter writer;
    RecordingNames names;
    names.observer = h.observer;
    names.camera = h.instrument;
    names.telescope = h.telescope;
    writer.SetRecordingNames(names);
    if (!writer.OpenRecording(result.path, width, height, 16) || !writer.StartRecording(nullptr)) {
        error = writer.FailureMessage();
        RemoveQuietly(result.path);
        return std::nullopt;
    }
    std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * height);
    BinaryOverlay overlay;
    uint32_t withoutRecord = 0;
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
        if (!reader.ReadFrame(i, pixels)) {
            error = reader.Error();
            writer.StopRecording();
            RemoveQuietly(result.path);
            return std::nullopt;
        }
        const int rows = std::min(height, 2);
        ParseBinaryOverlay(overlay, std::span<const uint16_t>(pixels).subspan(static_cast<std::size_t>(height - rows) * width),
                           width, rows);
        uint64_t timestamp = 0;
        if (i < reader.Timestamps().size()) {
            timestamp = reader.Timestamps()[i];
        } else if (overlay.Valid) {
            // The frame path stamps each frame with its record's exposure start.
            timestamp = FrameTimestampTicks(overlay.FromTime);
        } else {
            ++withoutRecord;
        }
        if (!writer.AddFrame(pixels.data(), pixels.size() * 2, timestamp, overlay)) break;
    }
    if (!writer.StopRecording()) {
        error = writer.FailureMessage();
        RemoveQuietly(result.path);
        return std::nullopt;
    }
    result.frames = reader.FrameCount();
    if (withoutRecord > 0) {
        result.note = std::to_string(withoutRecord) + " frames have no readable timing record; their time stamp is 0";
    }
    SerReader check;
    if (!check.Open(result.path) || check.FrameCount() != result.frames) {
        error = result.path + ": the rebuilt file does not read back: " + check.Error();
        RemoveQuietly(result.path);
        return std::nullopt;
    }
    return result;
}

std::optional<RepairResult> RecordingRepair::RepairAdv(const std::string& path, std::string& error) {
    AdvReader complete;
    if (complete.Open(path)) {
        error = path + ": the recording is complete; there is nothing to repair";
        return std::nullopt;
    }
    BinaryInputFile in;
    if (!in.Open(path)) {
        error = path + ": cannot be opened: " + in.ErrorText();
        return std::nullopt;
    }
    const auto fail = [&](uint64_t offset, const std::string& what) {
        error = path + ": at offset " + std::to_string(offset) + ": " + what;
        return std::nullopt;
    };
    uint8_t b[8];
    const auto u8 = [&](uint64_t at, uint8_t& v) { return in.ReadAt(at, &v, 1); };
    const auto u16 = [&](uint64_t at, uint16_t& v) { return in.ReadAt(at, b, 2) && ((v = BinaryInputFile::U16(b)), true); };
    const auto u32 = [&](uint64_t at, uint32_t& v) { return in.ReadAt(at, b, 4) && ((v = BinaryInputFile::U32(b)), true); };
    const auto u64 = [&](uint64_t at, uint64_t& v) { return in.ReadAt(at, b, 8) && ((v = BinaryInputFile::U64(b)), true); };

    uint64_t indexOffset = 0;
    uint64_t systemOffset = 0;
    uint8_t streams = 0;
    uint16_t nameLength = 0;
    if (!u64(kAdvIndexOffsetAt, indexOffset) || !u64(kAdvSystemOffsetAt, systemOffset) ||
        !u8(kAdvFirstStreamAt - 1, streams) || !u16(kAdvFirstStreamAt, nameLength)) {
        return fail(in.Size(), "the file header ends early");
    }
    if (indexOffset != 0) {
        return fail(kAdvIndexOffsetAt, "the file has an index but does not read: " + complete.Error());
    }
    if (streams == 0) return fail(kAdvFirstStreamAt - 1, "the file declares no stream");
    if (systemOffset == 0) return fail(kAdvSystemOffsetAt, "the header was never completed; no frame can be found");
    const uint64_t mainFrameCountAt = kAdvFirstStreamAt + 2 + nameLength;

    // The system metadata table ends where the first frame begins.
    uint32_t tags = 0;
    if (!u32(systemOffset, tags)) return fail(systemOffset, "the system metadata table ends early");
    uint64_t at = systemOffset + 4;
    for (uint64_t t = 0; t < 2ull * tags; ++t) {
        uint16_t length = 0;
        if (!u16(at, length) || !in.Holds(at + 2, length)) return fail(at, "the system metadata table ends early");
        at += 2 + length;
    }

    struct Entry {
        int64_t elapsed;
        uint64_t offset;
        uint32_t size;
    };
    std::vector<Entry> index;
    uint64_t firstStart = 0;
    std::string stopReason;
    while (true) {
        uint32_t magic = 0;
        uint64_t start = 0;
        uint32_t imageBytes = 0;
        uint32_t statusBytes = 0;
        if (!in.Holds(at, 1)) break;  // the file ends after a whole frame
        if (!u32(at, magic) || !u64(at + 5, start) || !u32(at + kAdvFrameHeadBytes, imageBytes)) {
            stopReason = "an incomplete frame";
            break;
        }
        if (magic != AdvWriter::kFrameMagic) {
            stopReason = "bytes that are no frame";
            break;
        }
        const uint64_t statusAt = at + kAdvFrameHeadBytes + 4 + imageBytes;
        if (!u32(statusAt, statusBytes) || !in.Holds(statusAt + 4, statusBytes)) {
            stopReason = "an incomplete frame";
            break;
        }
        const uint64_t end = statusAt + 4 + statusBytes;
        if (index.empty()) firstStart = start;
        // Elapsed time in 100-ns units since the first frame, as the writer keeps it.
        const int64_t elapsed = start != 0 && firstStart != 0 ? static_cast<int64_t>(start - firstStart) / 100 : 0;
        index.push_back({elapsed, at, static_cast<uint32_t>(end - at - 4)});
        at = end;
    }
    if (index.empty()) return fail(at, "not one complete frame follows the header");

    RepairResult result;
    result.path = RepairedPath(path);
    result.frames = static_cast<uint32_t>(index.size());
    if (!stopReason.empty()) {
        result.note = "the frames end at offset " + std::to_string(at) + " with " + stopReason + ", which is left out";
    }
    OutputFile out;
    std::vector<uint8_t> chunk(1 << 20);
    bool ok = out.Open(result.path, "wb");
    for (uint64_t copied = 0; ok && copied < at;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(chunk.size(), at - copied));
        ok = in.ReadAt(copied, chunk.data(), n) && out.Write(chunk.data(), n);
        copied += n;
    }
    // The closing tables, as a finished recording has them: the index (version 2, offsets
    // counted from its first byte, the MAIN entries, an empty CALIBRATION list), then an
    // empty user metadata table.
    const uint64_t indexAt = at;
    const auto entries = static_cast<uint32_t>(index.size());
    ok = ok && PutU8(out, 2) && PutU32(out, 9) && PutU32(out, 13 + 20 * entries) && PutU32(out, entries);
    for (const Entry& e : index) {
        ok = ok && PutU64(out, static_cast<uint64_t>(e.elapsed)) && PutU64(out, e.offset) && PutU32(out, e.size);
    }
    ok = ok && PutU32(out, 0);
    const int64_t userAt = ok ? out.Tell() : -1;
    ok = ok && userAt >= 0 && PutU32(out, 0);
    ok = ok && out.Seek(static_cast<int64_t>(kAdvIndexOffsetAt)) && PutU64(out, indexAt);
    ok = ok && out.Seek(static_cast<int64_t>(kAdvUserOffsetAt)) && PutU64(out, static_cast<uint64_t>(userAt));
    ok = ok && out.Seek(static_cast<int64_t>(mainFrameCountAt)) && PutU32(out, entries);
    ok = out.Close() && ok;
    if (!ok) {
        error = out.Failed() ? out.DescribeError() : path + ": cannot be read";
        RemoveQuietly(result.path);
        return std::nullopt;
    }
    AdvReader check;
    if (!check.Open(result.path) || check.FrameCount() != result.frames) {
        error = result.path + ": the rebuilt file does not read back: " + check.Error();
        RemoveQuietly(result.path);
        return std::nullopt;
    }
    return result;
}

}  // namespace orva
