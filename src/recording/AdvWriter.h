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
// Threads: as BaseWriter. The telescope position is read once per recording, under the
// shared state's lock.

#include "common/SharedTelescopeState.h"
#include "recording/AdvFormat.h"
#include "recording/BaseWriter.h"
#include "recording/Lagarith16Encoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orva {

class AdvWriter : public BaseWriter {
public:
    // One region is kept for the last row.
    static constexpr std::size_t kMaxZoneRegions = AdvFormat::kMaxRegions - 1;

    explicit AdvWriter(SharedTelescopeState& telescope);

    // "ADV 16-bit"
    std::string GetFormatDescription() const override;
    // `compress` is the EnableAdvCompression setting ("TRUE"); `zones` the live view's
    // zones. Makes the regions and creates (replaces) the file.
    virtual bool OpenRecording(const std::string& fileName, int width, int height, uint8_t bitDepth,
                               const std::vector<AdvRegion>& zones, bool compress);
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
    void WriteImageSectionHeader();
    void WriteStatusSectionHeader();
    void WriteSystemMetadata();
    void WriteImageSection(const uint16_t* pixels, uint64_t byteCount);
    void WriteStatusSection(uint64_t start, uint64_t end, uint64_t systemTime, const BinaryOverlay& overlay);
    // Writes the current file position into the u64 at `placeholder`.
    void FillPlaceholder(int64_t placeholder);
    uint64_t RegionDataBytes() const;

    SharedTelescopeState& telescope_;
    std::string softwareVersion_ = "0.0.0-0";
    bool compress_ = false;
    Lagarith16Encoder encoder_;
    std::vector<AdvRegion> regions_;
    std::vector<AdvIndexEntry> index_;
    uint64_t firstFrameTicks_ = 0;
    int64_t imageSectionPos_ = 0;
    int64_t statusSectionPos_ = 0;
};

}  // namespace orva
