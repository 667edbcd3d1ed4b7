#pragma once
// The stream facade as the camera manager sees it (ICameraStream). An activated camera's
// media source also implements the stream's video source; the adapter hands that side to
// the facade.
//
// Threads: as the facade's blocking operations: one controlling thread (the GUI thread).

#include "camera/ICameraStream.h"
#include "stream/IOrvaMediaStreamFacade.h"

namespace orva {

class CameraStreamAdapter final : public ICameraStream {
public:
    explicit CameraStreamAdapter(IOrvaMediaStreamFacade& stream) : stream_(stream) {}

    // False when the source has no video side or the facade refuses it.
    bool InitWithMediaSource(std::shared_ptr<ICameraMediaSource> source) override;
    void DeInit() override { stream_.DeInit(); }
    bool IsStreaming() override { return stream_.IsStreaming(); }
    void StartStreamingBlocking() override { stream_.StartStreamingBlocking(); }
    void StopStreamingBlocking() override { stream_.StopStreamingBlocking(); }
    uint32_t GetNofSamplesCounter() override { return stream_.GetStatistics().GetNofSamplesCounter(); }

private:
    IOrvaMediaStreamFacade& stream_;
};

}  // namespace orva
