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

// Little-endian patching of an output file.
bool PutU32(OutputFile& f, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    return f.Write(b, 4);
}
bool PutU64(OutputFile& f, uint64_t v) { return PutU32(f, static_cast<uint32_t>(v)) && PutU32(f, static_cast<uint32_t>(v >> 32)); }

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
    if (start.rfind(AdvFormat::kFileMagicText, 0) == 0) return RepairAdv(path, error);
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
    const bool opened = writer.OpenRecording(result.path, width, height, 16);
    // The writer takes the next free number when the name was taken meanwhile.
    result.path = writer.RecordingFilePath();
    if (!opened || !writer.StartRecording(nullptr)) {
        error = writer.FailureMessage();
        if (opened) RemoveQuietly(result.path);
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
    AdvReader reader;
    if (!reader.Open(path, AdvReader::Mode::Recover)) {
        error = reader.Error();
        return std::nullopt;
    }
    const uint64_t framesEnd = reader.FramesEnd();
    if (reader.FrameCount() == 0) {
        error = path + ": at offset " + std::to_string(framesEnd) + ": not one complete frame follows the header";
        return std::nullopt;
    }
    BinaryInputFile in;
    if (!in.Open(path)) {
        error = path + ": cannot be opened: " + in.ErrorText();
        return std::nullopt;
    }

    RepairResult result;
    result.path = RepairedPath(path);
    result.frames = reader.FrameCount();
    if (!reader.FramesEndReason().empty()) {
        result.note = "the frames end at offset " + std::to_string(framesEnd) + " with " + reader.FramesEndReason() +
                      ", which is left out";
    }
    // Everything up to the end of the whole frames as it is, then the closing tables and
    // the header's places for them, as the writer leaves a recording it stops.
    OutputFile out;
    std::vector<uint8_t> chunk(1 << 20);
    const bool opened = out.CreateNumbered(result.path);
    bool ok = opened;
    if (opened) result.path = out.Path();
    for (uint64_t copied = 0; ok && copied < framesEnd;) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(chunk.size(), framesEnd - copied));
        ok = in.ReadAt(copied, chunk.data(), n) && out.Write(chunk.data(), n);
        copied += n;
    }
    const std::vector<uint8_t> index = AdvFormat::IndexTable(reader.Index());
    ok = ok && out.Write(index.data(), index.size());
    const int64_t userAt = ok ? out.Tell() : -1;
    ok = ok && userAt >= 0 && PutU32(out, AdvFormat::kNoTags);
    ok = ok && out.Seek(static_cast<int64_t>(AdvFormat::kIndexOffsetAt)) && PutU64(out, framesEnd);
    ok = ok && out.Seek(static_cast<int64_t>(AdvFormat::kUserMetadataOffsetAt)) && PutU64(out, static_cast<uint64_t>(userAt));
    ok = ok && out.Seek(static_cast<int64_t>(AdvFormat::kMainFrameCountAt)) && PutU32(out, result.frames);
    ok = out.Close() && ok;
    if (!ok) {
        error = out.Failed() ? out.DescribeError() : path + ": cannot be read";
        if (opened) RemoveQuietly(result.path);
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
