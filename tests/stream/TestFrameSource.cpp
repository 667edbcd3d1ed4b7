#include "TestFrameSource.h"

#include <algorithm>
#include <stdexcept>

namespace orva::test {
namespace {

class TestSample final : public VideoSample {
public:
    TestSample(std::vector<uint8_t> bytes, bool discontinuity, bool wrongSize, bool lockFails,
               std::shared_ptr<TestSampleCounters> counters)
        : bytes_(std::move(bytes)),
          discontinuity_(discontinuity),
          wrongSize_(wrongSize),
          lockFails_(lockFails),
          counters_(std::move(counters)) {
        counters_->live.fetch_add(1);
    }
    ~TestSample() override { counters_->live.fetch_sub(1); }

    bool IsDiscontinuity() const override { return discontinuity_; }
    int32_t Lock(const uint8_t** data, std::size_t* length) override {
        if (lockFails_) return kVideoErrorFailed;
        counters_->locked.fetch_add(1);
        if (wrongSize_) counters_->lockedWrongSize.fetch_add(1);
        *data = bytes_.data();
        *length = bytes_.size();
        return kVideoOk;
    }
    void Unlock() override {}

private:
    std::vector<uint8_t> bytes_;
    bool discontinuity_;
    bool wrongSize_;
    bool lockFails_;
    std::shared_ptr<TestSampleCounters> counters_;
};

std::vector<uint8_t> FrameBytes(uint64_t sequence, std::size_t size) {
    std::vector<uint8_t> bytes(size, static_cast<uint8_t>(sequence));
    for (std::size_t i = 0; i < 8 && i < size; ++i) bytes[i] = static_cast<uint8_t>(sequence >> (8 * i));
    return bytes;
}

}  // namespace

class TestFrameSource::Reader final : public IVideoReader {
public:
    explicit Reader(std::shared_ptr<TestFrameSource> source) : source_(std::move(source)) {}
    ~Reader() override { source_->ReaderGone(); }

    int32_t GetNativeMediaType(uint32_t index, VideoMediaType& type) override {
        return source_->GetNativeMediaType(index, type);
    }
    int32_t SetCurrentMediaType(const VideoMediaType& type) override { return source_->SetCurrentMediaType(type); }
    int32_t GetStreamSelection(bool& selected) override { return source_->GetStreamSelection(selected); }
    int32_t SetStreamSelection(bool selected) override { return source_->SetStreamSelection(selected); }
    int32_t ReadSample() override { return source_->ReadSample(); }
    int32_t Flush() override { return source_->Flush(); }

private:
    std::shared_ptr<TestFrameSource> source_;
};

TestFrameSource::TestFrameSource(Delivery delivery, uint16_t width, uint16_t height)
    : delivery_(delivery), width_(width), height_(height) {
    VideoMediaType small;
    small.width = 320;
    small.height = 240;
    small.frameRateNumerator = 25;
    VideoMediaType wanted;
    wanted.width = width;
    wanted.height = height;
    wanted.frameRateNumerator = 30;
    types_ = {small, wanted};
    if (delivery_ == Delivery::kThread) thread_ = std::thread([this] { DeliveryLoop(); });
}

TestFrameSource::~TestFrameSource() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        gate_ = Gate::kNone;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

int32_t TestFrameSource::CreateReader(const VideoReaderOptions& options,
                                      std::shared_ptr<IVideoReaderCallback> callback,
                                      std::shared_ptr<IVideoReader>& reader) {
    std::lock_guard lock(mutex_);
    ++createReaderCalls_;
    lastOptions_ = options;
    if (createReaderResult_ < 0) return createReaderResult_;
    callback_ = std::move(callback);
    readerAlive_ = true;
    selected_ = initiallySelected_;
    changePending_ = false;
    pending_ = 0;
    reader = std::make_shared<Reader>(shared_from_this());
    return kVideoOk;
}

// ---- Configuration ----------------------------------------------------------------

void TestFrameSource::SetMediaTypes(std::vector<VideoMediaType> types) {
    std::lock_guard lock(mutex_);
    types_ = std::move(types);
}

void TestFrameSource::FailNativeMediaTypes(int32_t code) {
    std::lock_guard lock(mutex_);
    nativeTypesResult_ = code;
}

void TestFrameSource::ThrowFromNativeMediaTypes(bool enable) {
    std::lock_guard lock(mutex_);
    throwFromNativeTypes_ = enable;
}

void TestFrameSource::SetCreateReaderResult(int32_t result) {
    std::lock_guard lock(mutex_);
    createReaderResult_ = result;
}

void TestFrameSource::SetInitiallySelected(bool selected) {
    std::lock_guard lock(mutex_);
    initiallySelected_ = selected;
}

void TestFrameSource::RefuseMediaType(int times, int32_t code) {
    std::lock_guard lock(mutex_);
    refuseMediaType_ = times;
    refuseMediaTypeCode_ = code;
}

void TestFrameSource::RefuseSelection(int times, int32_t code) {
    std::lock_guard lock(mutex_);
    refuseSelection_ = times;
    refuseSelectionCode_ = code;
}

void TestFrameSource::RefuseDeselection(int times, int32_t code) {
    std::lock_guard lock(mutex_);
    refuseDeselection_ = times;
    refuseDeselectionCode_ = code;
}

void TestFrameSource::DelaySelection(int reads) {
    std::lock_guard lock(mutex_);
    selectionDelay_ = reads;
}

void TestFrameSource::RefuseReads(int times, int32_t code) {
    std::lock_guard lock(mutex_);
    refuseReads_ = times;
    refuseReadsCode_ = code;
}

void TestFrameSource::SetFlushCompletes(bool completes) {
    std::lock_guard lock(mutex_);
    flushCompletes_ = completes;
}

void TestFrameSource::SetStalled(bool stalled) {
    {
        std::lock_guard lock(mutex_);
        stalled_ = stalled;
    }
    changed_.notify_all();
}

void TestFrameSource::SetDeliveryLimit(uint64_t limit) {
    {
        std::lock_guard lock(mutex_);
        deliveryLimit_ = limit;
    }
    changed_.notify_all();
}

void TestFrameSource::SetWrongSizeEvery(uint64_t n) {
    std::lock_guard lock(mutex_);
    wrongSizeEvery_ = n;
}

void TestFrameSource::QueueDelivery(Kind kind) {
    std::lock_guard lock(mutex_);
    queued_.push_back(kind);
}

void TestFrameSource::SetGate(Gate gate) {
    std::lock_guard lock(mutex_);
    gate_ = gate;
    gateReached_ = false;
}

void TestFrameSource::OpenGate() {
    {
        std::lock_guard lock(mutex_);
        gate_ = Gate::kNone;
    }
    changed_.notify_all();
}

bool TestFrameSource::WaitUntilGateReached(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return gateReached_; });
}

void TestFrameSource::PassGateLocked(std::unique_lock<std::mutex>& lock, Gate gate) {
    if (gate_ != gate) return;
    gateReached_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this, gate] { return gate_ != gate; });
}

// ---- Reader side --------------------------------------------------------------------

int32_t TestFrameSource::GetNativeMediaType(uint32_t index, VideoMediaType& type) {
    std::lock_guard lock(mutex_);
    if (throwFromNativeTypes_) throw std::runtime_error("native types unavailable");
    if (nativeTypesResult_ < 0) return nativeTypesResult_;
    if (index >= types_.size()) return kVideoErrorNoMoreTypes;
    type = types_[index];
    return kVideoOk;
}

int32_t TestFrameSource::SetCurrentMediaType(const VideoMediaType& type) {
    std::unique_lock lock(mutex_);
    PassGateLocked(lock, Gate::kSetMediaType);
    if (refuseMediaType_ != 0) {
        if (refuseMediaType_ > 0) --refuseMediaType_;
        return refuseMediaTypeCode_;
    }
    current_ = type;
    return kVideoOk;
}

int32_t TestFrameSource::GetStreamSelection(bool& selected) {
    std::lock_guard lock(mutex_);
    if (changePending_) {
        if (readsUntilChange_ > 0) {
            --readsUntilChange_;
        } else {
            selected_ = targetSelection_;
            changePending_ = false;
        }
    }
    selected = selected_;
    return kVideoOk;
}

int32_t TestFrameSource::SetStreamSelection(bool selected) {
    std::lock_guard lock(mutex_);
    int& refusals = selected ? refuseSelection_ : refuseDeselection_;
    if (refusals != 0) {
        if (refusals > 0) --refusals;
        return selected ? refuseSelectionCode_ : refuseDeselectionCode_;
    }
    if (selectionDelay_ == 0) {
        selected_ = selected;
        changePending_ = false;
    } else {
        targetSelection_ = selected;
        readsUntilChange_ = selectionDelay_;
        changePending_ = true;
    }
    return kVideoOk;
}

int32_t TestFrameSource::ReadSample() {
    {
        std::lock_guard lock(mutex_);
        ++readRequests_;
        if (refuseReads_ != 0) {
            if (refuseReads_ > 0) --refuseReads_;
            return refuseReadsCode_;
        }
        if (!selected_) return kVideoErrorInvalidRequest;
        ++pending_;
        maxPending_ = std::max(maxPending_, pending_);
    }
    changed_.notify_all();
    return kVideoOk;
}

int32_t TestFrameSource::Flush() {
    std::shared_ptr<IVideoReaderCallback> callback;
    {
        std::unique_lock lock(mutex_);
        ++flushCalls_;
        PassGateLocked(lock, Gate::kFlush);
        // A delivery already under way completes before the flush does.
        changed_.wait(lock, [this] { return inFlight_ == 0; });
        pending_ = 0;
        if (!flushCompletes_) return kVideoOk;
        callback = callback_;
    }
    if (callback) callback->OnFlush();
    return kVideoOk;
}

void TestFrameSource::ReaderGone() {
    std::shared_ptr<IVideoReaderCallback> callback;
    {
        std::lock_guard lock(mutex_);
        callback.swap(callback_);
        readerAlive_ = false;
        pending_ = 0;
    }
    changed_.notify_all();
}

// ---- Delivery -----------------------------------------------------------------------

void TestFrameSource::NotifyEvent(uint32_t eventType) {
    std::shared_ptr<IVideoReaderCallback> callback;
    {
        std::lock_guard lock(mutex_);
        callback = callback_;
    }
    if (callback) callback->OnEvent(eventType);
}

bool TestFrameSource::DeliverPending() {
    std::unique_lock lock(mutex_);
    if (pending_ == 0 || !callback_) return false;
    DeliverOneLocked(lock);
    return true;
}

bool TestFrameSource::CanDeliverLocked() const {
    return pending_ > 0 && callback_ && !stalled_ && samplesDelivered_ < deliveryLimit_;
}

void TestFrameSource::DeliveryLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || CanDeliverLocked(); });
        if (stop_) return;
        DeliverOneLocked(lock);
    }
}

void TestFrameSource::DeliverOneLocked(std::unique_lock<std::mutex>& lock) {
    --pending_;
    ++inFlight_;
    Kind kind = Kind::kFrame;
    if (!queued_.empty()) {
        kind = queued_.front();
        queued_.pop_front();
    }
    const std::size_t frameBytes = static_cast<std::size_t>(width_) * height_ * 2;
    uint32_t flags = 0;
    VideoSamplePtr sample;
    if (kind == Kind::kStreamTick) {
        flags = kStreamFlagStreamTick;
    } else if (kind != Kind::kNoSample) {
        const uint64_t sequence = ++framesMade_;
        bool wrongSize = kind == Kind::kWrongSize || (wrongSizeEvery_ != 0 && sequence % wrongSizeEvery_ == 0);
        sample = std::make_shared<TestSample>(FrameBytes(sequence, wrongSize ? frameBytes - 2 : frameBytes),
                                              kind == Kind::kDiscontinuity, wrongSize, kind == Kind::kLockFails,
                                              counters_);
        ++samplesDelivered_;
    }
    const auto callback = callback_;
    const auto timestamp = static_cast<int64_t>(framesMade_) * 400000;
    lock.unlock();
    callback->OnReadSample(kVideoOk, flags, timestamp, std::move(sample));
    lock.lock();
    --inFlight_;
    changed_.notify_all();
}

// ---- Observation ------------------------------------------------------------------

int TestFrameSource::CreateReaderCalls() const {
    std::lock_guard lock(mutex_);
    return createReaderCalls_;
}

int TestFrameSource::ReadRequests() const {
    std::lock_guard lock(mutex_);
    return readRequests_;
}

int TestFrameSource::PendingRequests() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

int TestFrameSource::MaxPendingRequests() const {
    std::lock_guard lock(mutex_);
    return maxPending_;
}

int TestFrameSource::FlushCalls() const {
    std::lock_guard lock(mutex_);
    return flushCalls_;
}

uint64_t TestFrameSource::SamplesDelivered() const {
    std::lock_guard lock(mutex_);
    return samplesDelivered_;
}

bool TestFrameSource::WaitForSamplesDelivered(uint64_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return samplesDelivered_ >= count && inFlight_ == 0; });
}

bool TestFrameSource::Selected() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

std::optional<VideoMediaType> TestFrameSource::CurrentType() const {
    std::lock_guard lock(mutex_);
    return current_;
}

bool TestFrameSource::ReaderAlive() const {
    std::lock_guard lock(mutex_);
    return readerAlive_;
}

VideoReaderOptions TestFrameSource::LastReaderOptions() const {
    std::lock_guard lock(mutex_);
    return lastOptions_;
}

VideoSamplePtr TestFrameSource::MakeSample(uint64_t sequence, std::size_t bytes, bool discontinuity) {
    return std::make_shared<TestSample>(FrameBytes(sequence, bytes), discontinuity, false, false, counters_);
}

uint64_t TestFrameSource::SequenceOf(const uint8_t* data) {
    uint64_t sequence = 0;
    for (int i = 7; i >= 0; --i) sequence = (sequence << 8) | data[i];
    return sequence;
}

}  // namespace orva::test
