#include "stream/CDmsSourceReaderCallback.h"

#include "common/Log.h"

namespace orva {

CDmsSourceReaderCallback::CDmsSourceReaderCallback(CDmsContext& context, CDmsFifo& fifo,
                                                   AutoResetEvent& producerEvent)
    : context_(&context), fifo_(&fifo), producerEvent_(&producerEvent) {}

void CDmsSourceReaderCallback::OnReadSample(int32_t /*status*/, uint32_t streamFlags, int64_t /*timestamp100ns*/,
                                            VideoSamplePtr sample) {
    std::lock_guard lock(mutex_);
    if (context_ == nullptr) return;

    // The re-requests below keep the requested counter: the frame asked for is still due.
    if ((streamFlags & kStreamFlagStreamTick) != 0) {
        LogMessage("W CDmsSourceReaderCallback::OnReadSample discontinuity (1)");
        RequestAnotherSample();
        return;
    }
    if (!sample) {
        LogMessage("W CDmsSourceReaderCallback::OnReadSample no sample");
        RequestAnotherSample();
        return;
    }
    if (sample->IsDiscontinuity()) {
        LogMessage("W CDmsSourceReaderCallback::OnReadSample discontinuity (2)");
    }

    try {
        fifo_->AppendSample(std::move(sample), context_->Width(), context_->Height(), streamFlags);
    } catch (...) {
        LogMessageInt("E CDmsSourceReaderCallback::OnReadSample failed: ", kVideoErrorUnexpected);
    }
    // Counted after the append, so a producer that sees the frame as received also finds
    // it queued (or counted as dropped).
    context_->received.fetch_add(1);
    producerEvent_->Signal();
}

void CDmsSourceReaderCallback::OnFlush() {
    std::lock_guard lock(mutex_);
    LogMessage("I CDmsSourceReaderCallback::OnFlush");
    if (context_ != nullptr) context_->flushed.store(true);
}

void CDmsSourceReaderCallback::OnEvent(uint32_t /*eventType*/) {
    std::lock_guard lock(mutex_);
    LogMessage("I CDmsSourceReaderCallback::OnEvent");
}

void CDmsSourceReaderCallback::Detach() {
    std::lock_guard lock(mutex_);
    context_ = nullptr;
    fifo_ = nullptr;
    producerEvent_ = nullptr;
}

void CDmsSourceReaderCallback::RequestAnotherSample() {
    if (const auto reader = context_->SourceReader()) reader->ReadSample();
}

}  // namespace orva
