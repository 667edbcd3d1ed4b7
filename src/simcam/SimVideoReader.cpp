#include "simcam/SimVideoReader.h"

#include "common/ThreadName.h"
#include "simcam/SimVideoSample.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orva {

namespace {

// The delivery thread waits for a frame in slices this long, so that a flush or the
// reader's end is noticed soon.
constexpr Clock::Duration kWaitSlice = std::chrono::milliseconds(5);

}  // namespace

// State shared by the reader and its delivery thread; the thread keeps it alive.
struct SimVideoReader::Shared {
    std::shared_ptr<SimulatedCamera> camera;
    std::mutex mutex;
    std::condition_variable wake;
    std::shared_ptr<IVideoReaderCallback> callback;  // null once the reader is gone
    bool selected = false;
    int pending = 0;
    bool flushRequested = false;
    bool failed = false;  // the camera left the bus while streaming
    uint64_t flushGeneration = 0;

    bool Stopped() const { return callback == nullptr; }
};

SimVideoReader::SimVideoReader(std::shared_ptr<SimulatedCamera> camera, std::shared_ptr<IVideoReaderCallback> callback)
    : camera_(std::move(camera)), shared_(std::make_shared<Shared>()) {
    shared_->camera = camera_;
    shared_->callback = std::move(callback);
    std::thread(Deliver, shared_).detach();
}

SimVideoReader::~SimVideoReader() {
    std::lock_guard lock(shared_->mutex);
    shared_->callback.reset();
    shared_->pending = 0;
    shared_->wake.notify_all();
}

int32_t SimVideoReader::GetNativeMediaType(uint32_t index, VideoMediaType& type) {
    if (!camera_->IsPresent()) return kVideoErrorShutdown;
    const auto& modes = camera_->Modes();
    if (index >= modes.size()) return kVideoErrorNoMoreTypes;
    const SimVideoMode& mode = modes[index];
    const auto [numerator, denominator] = camera_->FrameRate(static_cast<int>(index));
    type = VideoMediaType{};
    type.subtype = kVideoSubtypeYuy2;
    type.width = static_cast<uint32_t>(mode.transferWidth);
    type.height = static_cast<uint32_t>(mode.height);
    type.frameRateNumerator = numerator;
    type.frameRateDenominator = denominator;
    return kVideoOk;
}

int32_t SimVideoReader::SetCurrentMediaType(const VideoMediaType& type) {
    if (!camera_->IsPresent()) return kVideoErrorShutdown;
    if (type.majorType != VideoMajorType::kVideo || type.subtype != kVideoSubtypeYuy2) return kVideoErrorInvalidRequest;
    const int32_t result = camera_->SelectModeBySize(static_cast<int>(type.width), static_cast<int>(type.height));
    return result < 0 ? kVideoErrorInvalidRequest : kVideoOk;
}

int32_t SimVideoReader::GetStreamSelection(bool& selected) {
    std::lock_guard lock(shared_->mutex);
    selected = shared_->selected;
    return kVideoOk;
}

int32_t SimVideoReader::SetStreamSelection(bool selected) {
    if (!camera_->IsPresent()) return kVideoErrorShutdown;
    std::lock_guard lock(shared_->mutex);
    if (selected && !shared_->selected) camera_->StartPacing();
    shared_->selected = selected;
    if (!selected) shared_->pending = 0;
    return kVideoOk;
}

int32_t SimVideoReader::ReadSample() {
    if (!camera_->IsPresent()) return kVideoErrorShutdown;
    std::lock_guard lock(shared_->mutex);
    if (shared_->failed) return kVideoErrorShutdown;
    if (!shared_->selected) return kVideoErrorInvalidRequest;
    ++shared_->pending;
    shared_->wake.notify_all();
    return kVideoOk;
}

int32_t SimVideoReader::Flush() {
    std::lock_guard lock(shared_->mutex);
    shared_->pending = 0;
    shared_->flushRequested = true;
    ++shared_->flushGeneration;
    shared_->wake.notify_all();
    return kVideoOk;
}

void SimVideoReader::Deliver(std::shared_ptr<Shared> shared) {
    ThreadName::SetCurrent("sim-deliver");
    SimulatedCamera& camera = *shared->camera;
    Clock& clock = camera.GetClock();
    std::vector<uint8_t> bytes;
    std::unique_lock lock(shared->mutex);
    while (true) {
        shared->wake.wait(lock, [&] { return shared->Stopped() || shared->flushRequested || shared->pending > 0; });
        if (shared->Stopped()) break;
        if (shared->flushRequested) {
            shared->flushRequested = false;
            auto callback = shared->callback;
            lock.unlock();
            callback->OnFlush();
            lock.lock();
            continue;
        }
        // Wait on the camera's clock until the frame is due; a flush or the reader's end
        // cancels the request.
        const uint64_t generation = shared->flushGeneration;
        bool cancelled = false;
        lock.unlock();
        while (true) {
            if (camera.DeliveryHeld()) {
                // Held by a test: wait in real time without moving the camera's clock.
                std::unique_lock held(shared->mutex);
                shared->wake.wait_for(held, kWaitSlice);
                if (shared->Stopped() || shared->flushGeneration != generation) {
                    cancelled = true;
                    break;
                }
                continue;
            }
            const Clock::TimePoint now = clock.Now();
            const Clock::TimePoint due = camera.NextFrameDue();
            if (now >= due || !camera.IsPresent()) break;
            clock.SleepFor(std::min<Clock::Duration>(due - now, kWaitSlice));
            std::lock_guard check(shared->mutex);
            if (shared->Stopped() || shared->flushGeneration != generation) {
                cancelled = true;
                break;
            }
        }
        SimFrameTruth truth;
        int32_t result = kVideoErrorShutdown;
        if (!cancelled) result = camera.GenerateFrame(bytes, &truth);
        lock.lock();
        if (cancelled || shared->Stopped() || shared->flushGeneration != generation || shared->pending == 0) continue;
        --shared->pending;
        auto callback = shared->callback;
        if (result < 0) {
            // The camera is gone: the request completes with an error, later ones fail.
            shared->failed = true;
            shared->pending = 0;
            lock.unlock();
            callback->OnReadSample(result, kStreamFlagError, 0, nullptr);
            lock.lock();
            continue;
        }
        auto sample = std::make_shared<SimVideoSample>(std::move(bytes), truth, truth.droppedBefore > 0);
        bytes = {};
        const int64_t timestamp100ns = (truth.fromUnixNs - camera.Config().utcStartUnixNs) / 100;
        lock.unlock();
        callback->OnReadSample(kVideoOk, 0, timestamp100ns, std::move(sample));
        lock.lock();
    }
    // Let go of the camera and everything else with the thread.
    shared->camera.reset();
}

int32_t SimVideoSource::CreateReader(const VideoReaderOptions& /*options*/,
                                     std::shared_ptr<IVideoReaderCallback> callback,
                                     std::shared_ptr<IVideoReader>& reader) {
    if (!camera_->IsPresent()) return kVideoErrorShutdown;
    if (!callback) return kVideoErrorFailed;
    reader = std::make_shared<SimVideoReader>(camera_, std::move(callback));
    return kVideoOk;
}

}  // namespace orva
