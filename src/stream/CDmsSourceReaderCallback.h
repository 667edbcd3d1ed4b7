#pragma once
// Receives the reader's completions: queues each delivered sample and wakes the
// producer, asks again when a delivery brought no sample, and notes flushes.
//
// Threads: called on the backend's threads; one lock serialises the callbacks, so
// appends to the frame queue never overlap. The worker detaches it before the queue and
// context go away; a detached callback only drops what it is given (the reader may
// outlive the worker, since it holds this object by a counted reference).

#include "stream/AutoResetEvent.h"
#include "stream/CDmsContext.h"
#include "stream/CDmsFifo.h"
#include "stream/VideoSource.h"

#include <mutex>

namespace orva {

class CDmsSourceReaderCallback final : public IVideoReaderCallback {
public:
    CDmsSourceReaderCallback(CDmsContext& context, CDmsFifo& fifo, AutoResetEvent& producerEvent);

    void OnReadSample(int32_t status, uint32_t streamFlags, int64_t timestamp100ns, VideoSamplePtr sample) override;
    void OnFlush() override;
    void OnEvent(uint32_t eventType) override;

    // After this returns no callback is running and later ones do nothing.
    void Detach();

private:
    void RequestAnotherSample();

    std::mutex mutex_;
    CDmsContext* context_;           // guarded by mutex_; null when detached
    CDmsFifo* fifo_;                 // guarded by mutex_
    AutoResetEvent* producerEvent_;  // guarded by mutex_
};

}  // namespace orva
