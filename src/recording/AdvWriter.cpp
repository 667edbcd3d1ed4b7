#include "recording/AdvWriter.h"

#include "common/Log.h"
#include "processing/FrameTimestamp.h"
#include "recording/FitsHeaderValues.h"

#include <algorithm>
#include <bit>
#include <cstdio>

namespace orva {
namespace {

// Raw frames are written as they lie in memory; ADV samples are little-endian.
static_assert(std::endian::native == std::endian::little, "ADV frames are written from memory as little-endian");

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

float TemperatureOf(uint16_t word) {
    if ((word & 0x0001u) == 0) return -999.0f;
    const int magnitude = (word >> 8) & 0x7F;
    return static_cast<float>((word & 0x8000u) != 0 ? -magnitude : magnitude);
}

float Dop(uint16_t hundredths) { return static_cast<float>(hundredths * 0.01); }

}  // namespace

AdvWriter::AdvWriter(SharedTelescopeState& telescope) : telescope_(telescope) {}

AdvWriter::~AdvWriter() {
    // A recording that was never stopped keeps every frame it took, as a crash would
    // leave it: whole frames without the closing tables, for the repair to find.
    if (IsRecording()) WriteQueuedFrames(true);
}

std::string AdvWriter::GetFormatDescription() const { return "ADV " + std::to_string(BitDepth()) + "-bit"; }

std::vector<AdvRegion> AdvWriter::RegionsFromZones(const std::vector<AdvRegion>& zones, int width, int height) {
    std::vector<AdvRegion> regions;
    std::size_t leftOut = 0;
    for (const AdvRegion& zone : zones) {
        if (zone.left < 0 || zone.top < 0) continue;
        AdvRegion r = zone;
        // Never the last row: it has a region of its own.
        if (r.top + r.height > height - 1) r.height = height - 1 - r.top;
        if (r.left + r.width > width) r.width = width - r.left;
        if (r.width <= 0 || r.height <= 0) continue;
        if (regions.size() == kMaxZoneRegions) {
            ++leftOut;
            continue;
        }
        regions.push_back(r);
    }
    if (leftOut > 0) {
        LogMessageInt("W AdvWriter: too many regions of interest for the file header, regions left out:",
                      static_cast<int>(leftOut));
    }
    if (!regions.empty()) regions.push_back({0, height - 1, width, 1});
    return regions;
}

bool AdvWriter::OpenRecording(const std::string& fileName, int width, int height, uint8_t bitDepth,
                              const std::vector<AdvRegion>& zones, bool compress) {
    compress_ = compress;
    index_.clear();
    regions_ = RegionsFromZones(zones, width, height);
    return Open(fileName, width, height, bitDepth);
}

void AdvWriter::FillPlaceholder(int64_t placeholder) {
    const int64_t here = FilePosition();
    if (here < 0 || !SeekTo(placeholder)) return;
    WriteUInt64(static_cast<uint64_t>(here));
    SeekTo(here);
}

uint64_t AdvWriter::RegionDataBytes() const {
    uint64_t bytes = 0;
    for (const AdvRegion& r : regions_) bytes += 2ull * static_cast<uint64_t>(r.width) * static_cast<uint64_t>(r.height);
    return bytes;
}

void AdvWriter::WriteHeader() {
    index_.clear();
    if (pool_ != nullptr) pool_->Discard();  // nothing of an earlier recording
    if (compress_) {
        if (pool_ == nullptr || pool_->Workers() != std::clamp(encodeWorkers_, 1, Lagarith16EncodePool::kMaxWorkers)) {
            pool_.reset();  // joins the old workers
            pool_ = std::make_unique<Lagarith16EncodePool>(encodeWorkers_);
        }
        pool_->Prepare(static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height()));
        queued_.resize(pool_->SlotCount());
    }
    WriteUInt32(AdvFormat::kFileMagic);
    WriteUInt8(AdvFormat::kVersion);
    WriteUInt32(0);
    WriteUInt64(0);  // index table
    WriteUInt64(0);  // system metadata table
    WriteUInt64(0);  // user metadata table
    WriteUInt8(AdvFormat::kStreamCount);
    for (const char* stream : {AdvFormat::kMainStream, AdvFormat::kCalibrationStream}) {
        WriteString(stream);
        WriteUInt32(0);  // frame count, MAIN's filled in by WriteTrailer
        WriteUInt64(AdvFormat::kStreamClock);
        WriteUInt32(AdvFormat::kStreamValue);
        WriteUInt64(0);  // no stream metadata table is written
    }
    WriteUInt8(AdvFormat::kSectionCount);
    WriteString(AdvFormat::kImageSection);
    imageSectionPos_ = FilePosition();
    WriteUInt64(0);
    WriteString(AdvFormat::kStatusSection);
    statusSectionPos_ = FilePosition();
    WriteUInt64(0);
    WriteImageSectionHeader();
    WriteStatusSectionHeader();
    WriteSystemMetadata();
}

void AdvWriter::WriteImageSectionHeader() {
    FillPlaceholder(imageSectionPos_);
    WriteUInt8(AdvFormat::kSectionVersion);
    WriteUInt32(static_cast<uint32_t>(Width()));
    WriteUInt32(static_cast<uint32_t>(Height()));
    WriteUInt8(BitDepth());
    WriteUInt8(regions_.empty() ? 1 : 2);  // layouts
    // The second byte of a layout repeats its id.
    WriteUInt8(AdvFormat::kFullImageLayout);
    WriteUInt8(AdvFormat::kFullImageLayout);
    WriteUInt8(BitDepth());
    WriteUInt8(2);
    WriteTag(AdvFormat::kDataLayoutTag, AdvFormat::kFullImageRaw);
    WriteTag(AdvFormat::kCompressionTag, compress_ ? AdvFormat::kLagarith16 : AdvFormat::kUncompressed);
    if (!regions_.empty()) {
        WriteUInt8(AdvFormat::kRegionLayout);
        WriteUInt8(AdvFormat::kRegionLayout);
        WriteUInt8(BitDepth());
        WriteUInt8(static_cast<uint8_t>(4 * regions_.size() + 3));
        // Layout 2 holds regions, yet it is labelled FULL-IMAGE-RAW: existing readers know it so.
        WriteTag(AdvFormat::kDataLayoutTag, AdvFormat::kFullImageRaw);
        WriteTag(AdvFormat::kCompressionTag, AdvFormat::kUncompressed);
        WriteTag(AdvFormat::kRegionCountTag, std::to_string(regions_.size()));
        for (std::size_t i = 0; i < regions_.size(); ++i) {
            const std::string n = std::to_string(i);
            WriteTag(AdvFormat::kRegionTopTag + n, std::to_string(regions_[i].top));
            WriteTag(AdvFormat::kRegionLeftTag + n, std::to_string(regions_[i].left));
            WriteTag(AdvFormat::kRegionWidthTag + n, std::to_string(regions_[i].width));
            WriteTag(AdvFormat::kRegionHeightTag + n, std::to_string(regions_[i].height));
        }
    }
    WriteUInt8(3);
    WriteTag("IMAGE-BYTE-ORDER", "LITTLE-ENDIAN");
    WriteTag("IMAGE-MAX-PIXEL-VALUE", "65535");
    WriteTag("IMAGE-BAYER-PATTERN", "MONOCHROME");
}

void AdvWriter::WriteStatusSectionHeader() {
    FillPlaceholder(statusSectionPos_);
    WriteUInt8(AdvFormat::kSectionVersion);
    WriteUInt64(AdvFormat::kStatusSectionValue);
    WriteUInt8(AdvFormat::kStatusChannelCount);
    for (const AdvChannelDefinition& c : AdvFormat::kStatusChannels) {
        WriteString(c.name);
        WriteUInt8(c.type);
    }
}

void AdvWriter::WriteSystemMetadata() {
    FillPlaceholder(AdvFormat::kSystemMetadataOffsetAt);
    const CameraModel* model = Camera() != nullptr && Camera()->model ? &*Camera()->model : nullptr;
    const CameraStatus status = Camera() != nullptr ? Camera()->status : CameraStatus{};
    FitsHeaderData header;
    FillFitsHeader(header, 0, 0, Names(), ObjectName());
    const SharedTelescopeState::Position telescope = telescope_.Read();

    WriteUInt32(telescope.valid != 0 ? 24 : 22);
    WriteTag("RECORDER-SOFTWARE", "OrvaZuvArovudu");
    WriteTag("RECORDER-SOFTWARE-VERSION", softwareVersion_);
    WriteTag("CAMERA-MODEL", model != nullptr ? model->GetModelName(true) : "");
    WriteTag("CAMERA-SERIAL-NO", model != nullptr ? std::to_string(model->SerialNumber()) : "");
    WriteTag("CAMERA-VENDOR-NAME", "ORVA");
    WriteTag("CAMERA-SENSOR-INFO", model != nullptr ? model->GetSensorName(true) : "");
    WriteTag("CAMERA-FIRMWARE-VERSION", model != nullptr ? model->GetFirmwareVersionText() : "");
    WriteTag("CAMERA-DRIVER-NAME", "UVC");
    // The camera's GPS position; without a fix, the selected observing site's.
    RecordingSite position{status.latitude * 1e-7, status.longitude * 1e-7, status.height * 0.001};
    if ((status.fixState & 1) == 0 && Names().site) position = *Names().site;
    WriteTag("LATITUDE", Format("%.7f", position.latitudeDegrees));
    WriteTag("LONGITUDE", Format("%.7f", position.longitudeDegrees));
    WriteTag("ALTITUDE", Format("%.1f", position.altitudeM));
    WriteTag("BINNING-X", std::to_string(status.binningX));
    WriteTag("BINNING-Y", std::to_string(status.binningY));
    WriteTag("ACQUISITION-DELAY", "0.0");
    WriteTag("AUTHOR", header.GetObserver());
    WriteTag("COMMENT", "");
    WriteTag("INSTRUMENT", header.GetInstrume());
    WriteTag("OBSERVER", header.GetObserver());
    WriteTag("TELESCOPE", header.GetTelescop());
    if (telescope.valid != 0) {
        WriteTag("RA", Format("%f", telescope.rightAscensionHours));
        WriteTag("DEC", Format("%f", telescope.declinationDegrees));
    }
    WriteTag("OBJNAME", header.GetObject());
    WriteTag("HEIGHT", std::to_string(Height()));
    WriteTag("WIDTH", std::to_string(Width()));
}

AdvWriter::FrameRecord AdvWriter::RecordOf(uint64_t timestamp, const BinaryOverlay& overlay) {
    const uint64_t startTicks = FrameTimestampTicks(overlay.FromTime);
    const uint64_t endTicks = FrameTimestampTicks(overlay.ToTime);
    if (GetFrameCount() == 0) firstFrameTicks_ = startTicks;
    // Elapsed time in 100-ns units, not the stream clock's nanoseconds: existing readers
    // of the index expect it so.
    const auto elapsed = static_cast<int64_t>(startTicks - firstFrameTicks_);
    return {elapsed, AdvFormat::TimeStampOf(startTicks), AdvFormat::TimeStampOf(endTicks), AdvFormat::TimeStampOf(timestamp),
            overlay};
}

void AdvWriter::WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                           const BinaryOverlay& overlay) {
    const bool regionFrame = GetFrameCount() != 0 && !regions_.empty();
    const FrameRecord record = RecordOf(timestamp, overlay);
    if (!compress_ || regionFrame) {
        WriteQueuedFrames(true);  // never ahead of a frame still being encoded
        const int64_t frameOffset = WriteFrameHead(record);
        WriteImageSection(pixels, byteCount);
        WriteFrameTail(record, frameOffset);
        return;
    }
    // Every slot busy: the encoding cannot keep up, the camera's thread waits for it.
    while (pool_->IsFull() && !HasFailed()) WriteCodedFrame(queued_[pool_->HeadSlot()], pool_->WaitHead());
    if (HasFailed()) {
        pool_->Discard();
        return;
    }
    std::copy_n(pixels, static_cast<std::size_t>(byteCount / 2), pool_->NextSamples());
    queued_[pool_->NextSlot()] = record;
    pool_->Submit();
    WriteQueuedFrames(false);
}

void AdvWriter::WriteQueuedFrames(bool all) {
    if (pool_ == nullptr) return;
    while (!HasFailed() && pool_->Queued() > 0) {
        const std::optional<std::span<const uint8_t>> block = all ? pool_->WaitHead() : pool_->FinishedHead();
        if (!block) return;
        WriteCodedFrame(queued_[pool_->HeadSlot()], *block);
    }
    if (HasFailed()) pool_->Discard();
}

void AdvWriter::WriteCodedFrame(const FrameRecord& record, std::span<const uint8_t> block) {
    const int64_t frameOffset = WriteFrameHead(record);
    WriteImageHead(static_cast<uint32_t>(block.size()), AdvFormat::kFullImageLayout);
    WriteBytes(block.data(), block.size());
    WriteFrameTail(record, frameOffset);
    pool_->ReleaseHead();
}

int64_t AdvWriter::WriteFrameHead(const FrameRecord& record) {
    const int64_t frameOffset = FilePosition();
    WriteUInt32(AdvFormat::kFrameMagic);
    WriteUInt8(AdvFormat::kMainStreamId);
    WriteUInt64(record.start);
    WriteUInt64(record.end);
    return frameOffset;
}

void AdvWriter::WriteFrameTail(const FrameRecord& record, int64_t frameOffset) {
    WriteStatusSection(record.start, record.end, record.systemTime, record.overlay);
    const int64_t frameEnd = FilePosition();
    if (frameOffset < 0 || frameEnd < 0) return;
    index_.push_back({record.elapsed, static_cast<uint64_t>(frameOffset),
                      static_cast<uint32_t>(frameEnd - frameOffset - AdvFormat::kFrameMagicBytes)});
}

void AdvWriter::WriteImageHead(uint32_t payloadBytes, uint8_t layout) {
    WriteUInt32(payloadBytes + AdvFormat::kImageHeadBytes);
    WriteUInt8(layout);
    WriteUInt8(0);
}

// A raw full frame, or the regions of a frame after the first.
void AdvWriter::WriteImageSection(const uint16_t* pixels, uint64_t byteCount) {
    if (GetFrameCount() != 0 && !regions_.empty()) {
        WriteImageHead(static_cast<uint32_t>(RegionDataBytes()), AdvFormat::kRegionLayout);
        const auto width = static_cast<std::size_t>(Width());
        for (const AdvRegion& r : regions_) {
            for (int row = r.top; row < r.top + r.height; ++row) {
                WriteBytes(pixels + static_cast<std::size_t>(row) * width + static_cast<std::size_t>(r.left),
                           2 * static_cast<std::size_t>(r.width));
            }
        }
        return;
    }
    WriteImageHead(static_cast<uint32_t>(byteCount), AdvFormat::kFullImageLayout);
    WriteBytes(pixels, static_cast<std::size_t>(byteCount));
}

void AdvWriter::WriteStatusSection(uint64_t start, uint64_t end, uint64_t systemTime, const BinaryOverlay& overlay) {
    const bool known = start != 0 && end != 0;
    // The sum of two time stamps can overflow; halves cannot.
    const uint64_t middle = known ? (start >> 1) + (end >> 1) + (start & end & 1) : 0;
    const uint32_t duration = known && end >= start ? static_cast<uint32_t>(end - start) : 0;
    std::string gain = Camera() != nullptr ? Camera()->GainTextOf(overlay) : "?";
    if (gain.size() > kMaxStringBytes) gain.resize(kMaxStringBytes);

    // Channel index byte plus value, for every channel.
    const uint32_t valuesBytes = (1 + 2 + static_cast<uint32_t>(gain.size())) + (1 + 8) + (1 + 4) + 2 * (1 + 1) +
                                 (1 + 4) + (1 + 4) + 5 * (1 + 4);
    WriteUInt32(AdvFormat::kStatusHeadBytes + valuesBytes);
    WriteUInt64(middle);
    WriteUInt32(duration);
    WriteUInt8(AdvFormat::kStatusChannelCount);
    WriteUInt8(AdvFormat::kGain);
    WriteString(gain);
    WriteUInt8(AdvFormat::kSystemTime);
    WriteUInt64(systemTime);
    WriteUInt8(AdvFormat::kVideoCameraFrameId);
    WriteUInt32(static_cast<uint32_t>(overlay.FrameNr));
    WriteUInt8(AdvFormat::kTrackedSatellites);
    WriteUInt8(overlay.NofSats);
    WriteUInt8(AdvFormat::kFixStatus);
    WriteUInt8(overlay.FixState);
    WriteUInt8(AdvFormat::kTemperature);
    WriteFloat32(TemperatureOf(overlay.Temperature));
    WriteUInt8(AdvFormat::kDopTime);
    WriteUInt32(overlay.DOPTime);
    const uint16_t dops[5] = {overlay.DOPG, overlay.DOPP, overlay.DOPT, overlay.DOPV, overlay.DOPH};
    for (uint8_t i = 0; i < 5; ++i) {
        WriteUInt8(static_cast<uint8_t>(AdvFormat::kGdop + i));
        WriteFloat32(Dop(dops[i]));
    }
}

bool AdvWriter::StopRecording() {
    const bool stopped = BaseWriter::StopRecording();
    // After a failure nothing more is written: frames still queued are dropped.
    if (pool_ != nullptr) pool_->Discard();
    return stopped;
}

void AdvWriter::WriteTrailer() {
    WriteQueuedFrames(true);
    if (HasFailed()) return;
    FillPlaceholder(AdvFormat::kIndexOffsetAt);
    const std::vector<uint8_t> table = AdvFormat::IndexTable(index_);
    WriteBytes(table.data(), table.size());
    FillPlaceholder(AdvFormat::kUserMetadataOffsetAt);
    WriteUInt32(AdvFormat::kNoTags);
    const int64_t end = FilePosition();
    if (end < 0 || !SeekTo(static_cast<int64_t>(AdvFormat::kMainFrameCountAt))) return;
    WriteUInt32(static_cast<uint32_t>(index_.size()));
    SeekTo(end);
}

}  // namespace orva
