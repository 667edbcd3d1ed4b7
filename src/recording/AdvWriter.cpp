#include "recording/AdvWriter.h"

#include "common/Log.h"
#include "processing/FrameTimestamp.h"
#include "recording/FitsHeaderValues.h"

#include <bit>
#include <cstdio>

namespace orva {
namespace {

// Raw frames are written as they lie in memory; ADV samples are little-endian.
static_assert(std::endian::native == std::endian::little, "ADV frames are written from memory as little-endian");

constexpr uint64_t kStreamClock = 1000000000;  // ticks per second: stream times are nanoseconds
constexpr uint8_t kStatusChannelCount = 12;

enum ChannelType : uint8_t { kInt8 = 0, kInt32 = 2, kInt64 = 3, kReal = 4, kText = 5 };

struct Channel {
    const char* name;
    uint8_t type;
};

constexpr Channel kChannels[kStatusChannelCount] = {
    {"Gain", kText},    {"SystemTime", kInt64}, {"VideoCameraFrameId", kInt32}, {"TrackedSatellites", kInt8},
    {"FixStatus", kInt8}, {"Temperature", kReal}, {"DOPTime", kInt32},           {"GDOP", kReal},
    {"PDOP", kReal},    {"TDOP", kReal},        {"VDOP", kReal},                {"HDOP", kReal},
};

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

std::string AdvWriter::GetFormatDescription() const { return "ADV " + std::to_string(BitDepth()) + "-bit"; }

uint64_t AdvWriter::TimeStampOf(uint64_t ticks) {
    // Before 2010 the unsigned difference would wrap to a time centuries ahead.
    if (ticks < kTicksAt2010) return 0;
    const uint64_t since2010 = ticks - kTicksAt2010;
    if (since2010 > UINT64_MAX / 100) return 0;
    return since2010 * 100;
}

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
    WriteUInt32(kFileMagic);
    WriteUInt8(2);
    WriteUInt32(0);
    WriteUInt64(0);  // 9: index table
    WriteUInt64(0);  // 17: system metadata table
    WriteUInt64(0);  // 25: user metadata table
    WriteUInt8(2);   // streams
    for (const char* stream : {"MAIN", "CALIBRATION"}) {
        WriteString(stream);
        if (std::string(stream) == "MAIN") mainFrameCountPos_ = FilePosition();
        WriteUInt32(0);  // frame count, filled in by WriteTrailer
        WriteUInt64(kStreamClock);
        WriteUInt32(1000000);
        WriteUInt64(0);  // no stream metadata table is written
    }
    WriteUInt8(2);  // sections
    WriteString("IMAGE");
    imageSectionPos_ = FilePosition();
    WriteUInt64(0);
    WriteString("STATUS");
    statusSectionPos_ = FilePosition();
    WriteUInt64(0);
    WriteImageSectionHeader();
    WriteStatusSectionHeader();
    WriteSystemMetadata();
}

void AdvWriter::WriteImageSectionHeader() {
    FillPlaceholder(imageSectionPos_);
    WriteUInt8(2);
    WriteUInt32(static_cast<uint32_t>(Width()));
    WriteUInt32(static_cast<uint32_t>(Height()));
    WriteUInt8(BitDepth());
    WriteUInt8(regions_.empty() ? 1 : 2);
    // The second byte of a layout repeats its id.
    WriteUInt8(1);
    WriteUInt8(1);
    WriteUInt8(BitDepth());
    WriteUInt8(2);
    WriteTag("DATA-LAYOUT", "FULL-IMAGE-RAW");
    WriteTag("SECTION-DATA-COMPRESSION", compress_ ? "LAGARITH16" : "UNCOMPRESSED");
    if (!regions_.empty()) {
        WriteUInt8(2);
        WriteUInt8(2);
        WriteUInt8(BitDepth());
        WriteUInt8(static_cast<uint8_t>(4 * regions_.size() + 3));
        // Layout 2 holds regions, yet it is labelled FULL-IMAGE-RAW: existing readers know it so.
        WriteTag("DATA-LAYOUT", "FULL-IMAGE-RAW");
        WriteTag("SECTION-DATA-COMPRESSION", "UNCOMPRESSED");
        WriteTag("ROI-COUNT", std::to_string(regions_.size()));
        for (std::size_t i = 0; i < regions_.size(); ++i) {
            const std::string n = std::to_string(i);
            WriteTag("ROI-TOP-" + n, std::to_string(regions_[i].top));
            WriteTag("ROI-LEFT-" + n, std::to_string(regions_[i].left));
            WriteTag("ROI-WIDTH-" + n, std::to_string(regions_[i].width));
            WriteTag("ROI-HEIGHT-" + n, std::to_string(regions_[i].height));
        }
    }
    WriteUInt8(3);
    WriteTag("IMAGE-BYTE-ORDER", "LITTLE-ENDIAN");
    WriteTag("IMAGE-MAX-PIXEL-VALUE", "65535");
    WriteTag("IMAGE-BAYER-PATTERN", "MONOCHROME");
}

void AdvWriter::WriteStatusSectionHeader() {
    FillPlaceholder(statusSectionPos_);
    WriteUInt8(2);
    WriteUInt64(1000000);
    WriteUInt8(kStatusChannelCount);
    for (const Channel& c : kChannels) {
        WriteString(c.name);
        WriteUInt8(c.type);
    }
}

void AdvWriter::WriteSystemMetadata() {
    FillPlaceholder(17);
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

void AdvWriter::WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                           const BinaryOverlay& overlay) {
    const uint64_t startTicks = FrameTimestampTicks(overlay.FromTime);
    const uint64_t endTicks = FrameTimestampTicks(overlay.ToTime);
    if (GetFrameCount() == 0) firstFrameTicks_ = startTicks;
    // Elapsed time in 100-ns units, not the stream clock's nanoseconds: existing readers
    // of the index expect it so.
    const auto elapsed = static_cast<int64_t>(startTicks - firstFrameTicks_);

    const int64_t frameOffset = FilePosition();
    WriteUInt32(kFrameMagic);
    WriteUInt8(0);  // stream MAIN
    const uint64_t start = TimeStampOf(startTicks);
    const uint64_t end = TimeStampOf(endTicks);
    WriteUInt64(start);
    WriteUInt64(end);
    WriteImageSection(pixels, byteCount);
    WriteStatusSection(start, end, TimeStampOf(timestamp), overlay);
    const int64_t frameEnd = FilePosition();
    if (frameOffset < 0 || frameEnd < 0) return;
    index_.push_back({elapsed, static_cast<uint64_t>(frameOffset), static_cast<uint32_t>(frameEnd - frameOffset - 4)});
}

void AdvWriter::WriteImageSection(const uint16_t* pixels, uint64_t byteCount) {
    if (GetFrameCount() != 0 && !regions_.empty()) {
        WriteUInt32(static_cast<uint32_t>(RegionDataBytes() + 2));
        WriteUInt8(2);
        WriteUInt8(0);
        const auto width = static_cast<std::size_t>(Width());
        for (const AdvRegion& r : regions_) {
            for (int row = r.top; row < r.top + r.height; ++row) {
                WriteBytes(pixels + static_cast<std::size_t>(row) * width + static_cast<std::size_t>(r.left),
                           2 * static_cast<std::size_t>(r.width));
            }
        }
        return;
    }
    if (compress_) {
        const auto block = encoder_.Encode(pixels, static_cast<std::size_t>(byteCount / 2));
        WriteUInt32(static_cast<uint32_t>(block.size() + 2));
        WriteUInt8(1);
        WriteUInt8(0);
        WriteBytes(block.data(), block.size());
        return;
    }
    WriteUInt32(static_cast<uint32_t>(byteCount + 2));
    WriteUInt8(1);
    WriteUInt8(0);
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
    WriteUInt32(8 + 4 + 1 + valuesBytes);
    WriteUInt64(middle);
    WriteUInt32(duration);
    WriteUInt8(kStatusChannelCount);
    WriteUInt8(0);
    WriteString(gain);
    WriteUInt8(1);
    WriteUInt64(systemTime);
    WriteUInt8(2);
    WriteUInt32(static_cast<uint32_t>(overlay.FrameNr));
    WriteUInt8(3);
    WriteUInt8(overlay.NofSats);
    WriteUInt8(4);
    WriteUInt8(overlay.FixState);
    WriteUInt8(5);
    WriteFloat32(TemperatureOf(overlay.Temperature));
    WriteUInt8(6);
    WriteUInt32(overlay.DOPTime);
    const uint16_t dops[5] = {overlay.DOPG, overlay.DOPP, overlay.DOPT, overlay.DOPV, overlay.DOPH};
    for (uint8_t i = 0; i < 5; ++i) {
        WriteUInt8(static_cast<uint8_t>(7 + i));
        WriteFloat32(Dop(dops[i]));
    }
}

void AdvWriter::WriteTrailer() {
    FillPlaceholder(9);
    const auto entries = static_cast<uint32_t>(index_.size());
    WriteUInt8(2);
    // Both offsets count from the index's first byte.
    WriteUInt32(9);
    WriteUInt32(13 + 20 * entries);
    WriteUInt32(entries);
    for (const IndexEntry& e : index_) {
        WriteUInt64(static_cast<uint64_t>(e.elapsed));
        WriteUInt64(e.offset);
        WriteUInt32(e.size);
    }
    WriteUInt32(0);  // CALIBRATION stream: no entries
    FillPlaceholder(25);
    WriteUInt32(0);  // no user metadata
    const int64_t end = FilePosition();
    if (end < 0 || !SeekTo(mainFrameCountPos_)) return;
    WriteUInt32(entries);
    SeekTo(end);
}

}  // namespace orva
