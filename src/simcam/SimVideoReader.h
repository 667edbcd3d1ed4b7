#pragma once
// The simulated camera's asynchronous reader: native media types for every mode at the
// mode's frame rate, stream selection, one sample per request delivered from a thread
// of its own (paced by the camera), flush, and an error delivery when the camera leaves
// the bus.
//
// Threads: operations are safe from any thread, also from inside a callback. Callbacks
// come from the reader's delivery thread, never from inside the call that caused them.
// Destroying the reader does not wait for that thread: it stops at its next check, and
// no callback starts after the destructor returned.

#include "simcam/SimulatedCamera.h"
#include "stream/VideoSource.h"

#include <memory>

namespace orva {

class SimVideoReader final : public IVideoReader {
public:
    SimVideoReader(std::shared_ptr<SimulatedCamera> camera, std::shared_ptr<IVideoReaderCallback> callback);
    ~SimVideoReader() override;
    SimVideoReader(const SimVideoReader&) = delete;
    SimVideoReader& operator=(const SimVideoReader&) = delete;

    int32_t GetNativeMediaType(uint32_t index, VideoMediaType& type) override;
    int32_t SetCurrentMediaType(const VideoMediaType& type) override;
    int32_t GetStreamSelection(bool& selected) override;
    int32_t SetStreamSelection(bool selected) override;
    int32_t ReadSample() override;
    int32_t Flush() override;

private:
    struct Shared;
    static void Deliver(std::shared_ptr<Shared> shared);

    std::shared_ptr<SimulatedCamera> camera_;
    std::shared_ptr<Shared> shared_;
};

// The camera's video side: opens SimVideoReaders.
class SimVideoSource : public IVideoSource {
public:
    explicit SimVideoSource(std::shared_ptr<SimulatedCamera> camera) : camera_(std::move(camera)) {}
    int32_t CreateReader(const VideoReaderOptions& options, std::shared_ptr<IVideoReaderCallback> callback,
                         std::shared_ptr<IVideoReader>& reader) override;

private:
    std::shared_ptr<SimulatedCamera> camera_;
};

}  // namespace orva
