#include "processing/FrameProcessor.h"

#include "common/Log.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ThreadSafeDoubleBuffer.h"

#include <charconv>
#include <cstring>

namespace orva {
namespace {

constexpr int kDefaultThreadCount = 4;

int ValidThreadCount(int threadCount) {
    return threadCount < 1 || threadCount > FrameWorkerPool::kMaxThreads ? kDefaultThreadCount : threadCount;
}

}  // namespace

int FrameProcessor::ThreadCountFromSetting(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return kDefaultThreadCount;
    return ValidThreadCount(value);
}

FrameProcessor::FrameProcessor(const FrameProcessorOptions& options)
    : ownGuiding_(options.guiding != nullptr ? nullptr : std::make_unique<GuidingService>()),
      pool_(ValidThreadCount(options.threadCount)),
      unpack_(pool_, options.cameras, options.gpsLog != nullptr ? *options.gpsLog : GpsLog::Instance()),
      rowNoise_(pool_, kMaxRows),
      calibration_(pool_),
      guiding_(options.guiding != nullptr ? *options.guiding : *ownGuiding_),
      pcTime_(options.pcClock),
      fitsCapture_(static_cast<std::size_t>(kMaxPixels)),
      pipeline_(*options.clock) {
    // The performance line's seven slots.
    pipeline_.Add(unpack_, 0);
    pipeline_.Add(rowNoise_, 1);
    pipeline_.Add(calibration_, 2);
    pipeline_.Add(guiding_, 3);
    pipeline_.Add(pcTime_, 3);
    pipeline_.Add(fitsCapture_, 4);
    pipeline_.Add(integrity_, 5);
    pipeline_.Add(recording_, 5);
    pipeline_.Add(liveView_, 6);
    ThreadSafeDoubleBuffer& histogram =
        options.histogram != nullptr ? *options.histogram : ThreadSafeDoubleBuffer::Instance();
    std::memset(histogram.GetWriteBuffer(), 0, ThreadSafeDoubleBuffer::kSizeBytes);
    LogMessageInt("I FrameProcessor starting with # threads:", pool_.ThreadCount());
}

FrameProcessor::~FrameProcessor() = default;

void FrameProcessor::ConsumeFrame(CameraFrame& frame) {
    if (suspended_) return;
    if (pipeline_.Run(frame)) framesProcessed_.fetch_add(1, std::memory_order_release);
}

}  // namespace orva
