#include "CameraFrameBuilder.h"

#include <stdexcept>

namespace orva::test {
namespace {

constexpr int kRecordBytes = 128;

void PutBigEndian(std::array<uint8_t, kRecordBytes>& bytes, int j, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[static_cast<std::size_t>(j + i)] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

}  // namespace

FrameRecord SteadyRecord(int32_t n) {
    FrameRecord r;
    r.frameNr = n;
    const int64_t ms = int64_t{n} * 40;
    r.second = static_cast<int>(ms / 1000 % 60);
    r.minute = static_cast<int>(ms / 60000 % 60);
    r.fromNs = static_cast<uint32_t>(ms % 1000) * 1000000;
    r.toNs = r.fromNs + 30000000;
    r.commIrqCtr = static_cast<uint8_t>(n);
    r.frameStartIrqCtr = static_cast<uint8_t>(n + 100);
    r.statusWord0 = kStatusOverlayNone;
    return r;
}

RawCameraFrame::RawCameraFrame(int width, int height, uint32_t seed)
    : width_(width), height_(height), samples_(static_cast<std::size_t>(width) * height) {
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            // Background with noise and a fixed pattern per row.
            Sample(x, y) = static_cast<uint16_t>(200 + (state >> 26) + (y % 7) * 3);
        }
    }
}

void RawCameraFrame::SetRecord(const FrameRecord& r) {
    if (width_ < kRecordBytes) throw std::logic_error("frame too narrow for a record");
    std::array<uint8_t, kRecordBytes> b{};
    b[2] = 0x54;
    b[3] = 0x53;
    PutBigEndian(b, 4, r.version, 2);
    const uint8_t timeFields[6] = {static_cast<uint8_t>(r.year - 2000), static_cast<uint8_t>(r.month),
                                   static_cast<uint8_t>(r.day),         static_cast<uint8_t>(r.hour),
                                   static_cast<uint8_t>(r.minute),      static_cast<uint8_t>(r.second)};
    for (int i = 0; i < 6; ++i) {
        b[static_cast<std::size_t>(8 + i)] = timeFields[i];
        b[static_cast<std::size_t>(20 + i)] = timeFields[i];
    }
    PutBigEndian(b, 14, r.fromNs, 4);
    b[19] = r.timeFlag ? 1 : 0;
    PutBigEndian(b, 26, r.toNs, 4);
    PutBigEndian(b, 36, static_cast<uint32_t>(r.frameNr), 4);
    PutBigEndian(b, 40, static_cast<uint32_t>(width_), 2);
    PutBigEndian(b, 42, static_cast<uint32_t>(height_), 2);
    b[46] = r.commIrqCtr;
    b[47] = r.frameStartIrqCtr;
    PutBigEndian(b, 48, 2, 2);
    PutBigEndian(b, 52, static_cast<uint32_t>(r.exposureSec), 4);
    PutBigEndian(b, 56, r.exposureNs, 4);
    PutBigEndian(b, 64, static_cast<uint32_t>(r.lat), 4);
    PutBigEndian(b, 68, static_cast<uint32_t>(r.lon), 4);
    PutBigEndian(b, 72, r.accuracyM, 2);
    b[74] = r.fixState;
    b[75] = r.nofSats;
    PutBigEndian(b, 76, static_cast<uint32_t>(r.heightMm), 4);
    PutBigEndian(b, 80, r.statusWord0, 4);
    PutBigEndian(b, 96, r.temperature, 2);
    // Check lanes all zero: both Fletcher sums are 0, as the last two lanes say.
    for (int j = 0; j < kRecordBytes; ++j) Sample(j, height_ - 1) = static_cast<uint16_t>(b[static_cast<std::size_t>(j)] << 4);
}

std::vector<uint16_t> RawCameraFrame::Expected() const {
    std::vector<uint16_t> out(samples_.size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint16_t>(samples_[i] << 4);
    return out;
}

std::vector<uint8_t> RawCameraFrame::Normal() const { return PackNormal(samples_); }
std::vector<uint8_t> RawCameraFrame::Packed() const { return PackTwelveBit(samples_); }

std::vector<uint8_t> PackNormal(const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> out;
    out.reserve(samples.size() * 2);
    for (const uint16_t s : samples) {
        out.push_back(static_cast<uint8_t>(s >> 4));
        // The high nibble of the second byte is not part of the sample.
        out.push_back(static_cast<uint8_t>(0xA0 | (s & 0x0F)));
    }
    return out;
}

std::vector<uint8_t> PackTwelveBit(const std::vector<uint16_t>& samples) {
    if (samples.size() % 8 != 0) throw std::logic_error("packed rows are groups of 8");
    std::vector<uint8_t> out;
    out.reserve(samples.size() / 8 * 12);
    for (std::size_t g = 0; g < samples.size(); g += 8) {
        uint32_t p[8];
        for (int i = 0; i < 8; ++i) p[i] = static_cast<uint32_t>(samples[g + static_cast<std::size_t>(i)] << 4);
        const uint32_t w[6] = {
            p[0] | ((p[2] >> 4) & 0x0F),          p[1] | ((p[3] >> 4) & 0x0F),
            (p[2] & 0xFF00) | ((p[4] >> 4) & 0xFF), (p[3] & 0xFF00) | ((p[5] >> 4) & 0xFF),
            (p[4] & 0xF000) | (p[6] >> 4),        (p[5] & 0xF000) | (p[7] >> 4),
        };
        for (const uint32_t word : w) {
            out.push_back(static_cast<uint8_t>(word));
            out.push_back(static_cast<uint8_t>(word >> 8));
        }
    }
    return out;
}

CameraStatus FakeCamera::UpdateStatusFromFrame(const OverlayStatusFields& fields,
                                               const std::array<uint16_t, 8>& frameStartTime) {
    std::lock_guard lock(mutex_);
    status_.DecodeOverlay(fields);
    status_.SetFrameStartTime(frameStartTime);
    return status_;
}

int32_t FakeCamera::EnableDisableHires(bool on) {
    std::lock_guard lock(mutex_);
    hiresCommands_.push_back(on);
    return hiresResult_;
}

std::shared_ptr<IFrameCamera> FakeCamera::ActiveCamera() {
    if (!available_) return nullptr;
    return std::shared_ptr<IFrameCamera>(this, [](IFrameCamera*) {});
}

std::vector<bool> FakeCamera::HiresCommands() const {
    std::lock_guard lock(mutex_);
    return hiresCommands_;
}

CameraStatus FakeCamera::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

bool FakeRecordingSink::AddFrame(const CameraFrame& frame) {
    if (stopCalls > 0) ++framesAfterStop;
    if (failed) return false;
    if (static_cast<int>(frames.size()) == failAtFrame) {
        failed = true;
        return false;
    }
    frames.push_back({std::vector<uint16_t>(frame.pixels, frame.pixels + frame.PixelCount()), frame.PixelBytes(),
                      frame.startTicks, frame.timing});
    return true;
}

bool FakeRecordingSink::StopRecording() {
    ++stopCalls;
    return !failed;
}

void FakeCaptureSink::FillStaticHeader(int width, int height) {
    width_ = width;
    height_ = height;
    record_->header["NAXIS1"] = std::to_string(width);
    record_->header["NAXIS2"] = std::to_string(height);
    record_->header["BITPIX"] = "16";
}

void FakeCaptureSink::WriteDynamicHeader(const BinaryOverlay& overlay) {
    record_->header["DATE-OBS-SECOND"] = std::to_string(overlay.FromTime.second);
    record_->header["FRAME"] = std::to_string(overlay.FrameNr);
}

void FakeCaptureSink::SetHeaderValue(const std::string& keyword, const std::string& value) {
    record_->header[keyword] = value;
}

void FakeCaptureSink::WriteFile(const uint16_t* pixels) {
    if (failWrite_) throw std::logic_error("Failed to write FITS file.");
    ++record_->writes;
    record_->pixels.assign(pixels, pixels + static_cast<std::size_t>(width_) * height_);
}

void FakeDisplayTarget::PrepareDisplay(const DisplayFrame& frame) {
    ++calls;
    last = frame;
    pixels.assign(frame.pixels, frame.pixels + static_cast<std::size_t>(frame.width) * frame.height);
}

}  // namespace orva::test
