#pragma once
// Records the camera stream as an ADV file (version 2 of the Astro Digital Video format):
// file header, stream and section definitions, the system metadata table, then per frame
// the GPS exposure start and end, an image section (the full frame, raw or LAGARITH16, or
// after the first frame only the regions of interest) and a status section with the
// frame's GPS and camera values; at the end the frame index and an empty user metadata
// table. All integers little-endian, strings with a 16-bit byte length.
//
// Time stamps are nanoseconds since 2010-01-01 UTC. A time before 2010 (a camera whose
// clock is not set yet) or one that is not a calendar date is written as 0, and so are
// the middle and the duration of an exposure one of whose ends is unknown.
//
// Regions of interest: the zones of the live view, clipped to the frame above its last
// row, followed by the last row (it carries the timing record). The layout's tag count is
// one byte, so at most 62 zones are kept; the rest are left out with a warning.
//
// LAGARITH16 recordings encode their full frames on a pool of worker threads: AddFrame
// copies the frame into a free slot of the pool and, without waiting, writes every frame
// already encoded at the head of the queue, in order; it waits only when every slot is
// busy. A frame that is written directly (raw, or the regions of interest after the first
// frame) first waits for the queue to be written, so the file holds the frames in the
// order they came, byte for byte as if each had been encoded in turn. StopRecording
// writes the frames still queued before the trailer.
//
// Frame count: GetFrameCount counts a frame of a LAGARITH16 recording once it is accepted
// into the queue (AddFrame returned true), a raw or region frame once it is written.
// Writing a queued frame that fails (full disk) is found when that frame is written, by
// the AddFrame then running or by StopRecording: the writer stops as after any write
// failure (one "E" line, HasFailed, AddFrame and StopRecording false), the frame of that
// AddFrame is not counted, and the failed frame and those queued behind it are dropped:
// counted, not whole in the file (at most the pool's slot count). The file keeps every
// frame written before, whole and readable by the repair. A writer destroyed while
// recording first writes the frames still queued.
//
// Threads: as BaseWriter; the encoding workers belong to the writer, touch only the
// frames handed to them and are joined when the writer is destroyed. The telescope
// position is read once per recording, under the shared state's lock.

#include "common/SharedTelescopeState.h"
#include "recording/AdvFormat.h"
#include "recording/BaseWriter.h"
#include "recording/Lagarith16EncodePool.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace orva {

class AdvWriter : public BaseWriter {
public:
    // One region is kept for the last row.
    static constexpr std::size_t kMaxZoneRegions = AdvFormat::kMaxRegions - 1;

    explicit AdvWriter(SharedTelescopeState& telescope);
    // Writes the frames still queued of a recording that was not stopped.
    ~AdvWriter() override;

    // "ADV 16-bit"
    std::string GetFormatDescription() const override;
    // `compress` is the EnableAdvCompression setting ("TRUE"); `zones` the live view's
    // zones. Makes the regions and creates (replaces) the file.
    virtual bool OpenRecording(const std::string& fileName, int width, int height, uint8_t bitDepth,
                               const std::vector<AdvRegion>& zones, bool compress);
    // Encoding threads for the following LAGARITH16 recordings, 1 to
    // Lagarith16EncodePool::kMaxWorkers; by default every core.
    void SetEncodeWorkers(int workers) { encodeWorkers_ = workers; }
    // Ends the recording as BaseWriter does and drops what a failure left queued.
    bool StopRecording() override;
    // The RECORDER-SOFTWARE-VERSION tag, "%d.%d.%d-%d"; "0.0.0-0" until set.
    void SetSoftwareVersion(const std::string& version) { softwareVersion_ = version; }

    const std::vector<AdvRegion>& Regions() const { return regions_; }

    // The zones clipped to the frame and the last-row region, as recorded.
    static std::vector<AdvRegion> RegionsFromZones(const std::vector<AdvRegion>& zones, int width, int height);

protected:
    void WriteHeader() override;
    void WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                    const BinaryOverlay& overlay) override;
    void WriteTrailer() override;

private:
    // What a frame's head and status section are written from, kept while its image is encoded.
    struct FrameRecord {
        int64_t elapsed = 0;
        uint64_t start = 0;
        uint64_t end = 0;
        uint64_t systemTime = 0;
        BinaryOverlay overlay;
    };

    FrameRecord RecordOf(uint64_t timestamp, const BinaryOverlay& overlay);
    // The frame head; the file offset of the frame (negative after a failure).
    int64_t WriteFrameHead(const FrameRecord& record);
    // The status section and the frame's index entry.
    void WriteFrameTail(const FrameRecord& record, int64_t frameOffset);
    void WriteCodedFrame(const FrameRecord& record, std::span<const uint8_t> block);
    // Writes the encoded frames at the head of the queue; with `all`, waits for every
    // queued frame. After a write failure the rest of the queue is dropped.
    void WriteQueuedFrames(bool all);
    void WriteImageSectionHeader();
    void WriteStatusSectionHeader();
    void WriteSystemMetadata();
    void WriteImageSection(const uint16_t* pixels, uint64_t byteCount);
    void WriteImageHead(uint32_t payloadBytes, uint8_t layout);
    void WriteStatusSection(uint64_t start, uint64_t end, uint64_t systemTime, const BinaryOverlay& overlay);
    // Writes the current file position into the u64 at `placeholder`.
    void FillPlaceholder(int64_t placeholder);
    uint64_t RegionDataBytes() const;

    SharedTelescopeState& telescope_;
    std::string softwareVersion_ = "0.0.0-0";
    bool compress_ = false;
    int encodeWorkers_ = Lagarith16EncodePool::DefaultWorkers();
    std::unique_ptr<Lagarith16EncodePool> pool_;  // LAGARITH16 recordings only
    std::vector<FrameRecord> queued_;             // per slot of the pool
    std::vector<AdvRegion> regions_;
    std::vector<AdvIndexEntry> index_;
    uint64_t firstFrameTicks_ = 0;
    int64_t imageSectionPos_ = 0;
    int64_t statusSectionPos_ = 0;
};

}  // namespace orva
