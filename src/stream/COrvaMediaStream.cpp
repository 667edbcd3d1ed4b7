#include "stream/COrvaMediaStream.h"

#include "common/Log.h"

namespace orva {

COrvaMediaStream& COrvaMediaStream::Instance(const MediaStreamOptions& optionsOnFirstUse) {
    static COrvaMediaStream stream(optionsOnFirstUse);
    return stream;
}

COrvaMediaStream::COrvaMediaStream(const MediaStreamOptions& options)
    : fifo_(context_.Statistics()), worker_(context_, fifo_, options) {}

bool COrvaMediaStream::InitWithMediaSource(std::shared_ptr<IVideoSource> source) {
    LogMessage("I COrvaMediaStream::InitWithMediaSource entered");
    if (source && worker_.InitializeWithMediaSourceBlocking(std::move(source))) {
        LogMessage("I COrvaMediaStream::InitWithMediaSource exiting");
        return true;
    }
    LogMessage("E COrvaMediaStream::InitWithMediaSource failed");
    return false;
}

void COrvaMediaStream::DeInit() { worker_.DeInit(); }

void COrvaMediaStream::SetFrameProcessor(IStreamFrameConsumer* processor) { context_.SetFrameProcessor(processor); }

void COrvaMediaStream::SetCameraStatusInteraction(IStreamRestartInteraction* interaction) {
    context_.SetCameraStatusInteraction(interaction);
}

bool COrvaMediaStream::IsStreaming() { return worker_.IsStreaming(); }

void COrvaMediaStream::StartStreamingBlocking() { worker_.StartStreamingBlocking(); }

void COrvaMediaStream::StopStreamingBlocking() { worker_.StopStreamingBlocking(); }

void COrvaMediaStream::SetResolution(uint32_t packed) { context_.SetResolution(packed); }

uint32_t COrvaMediaStream::GetResolution() { return context_.Resolution(); }

void COrvaMediaStream::SetExpectedFrameTimeMs(double ms) { context_.SetExpectedFrameTimeMs(ms); }

IOrvaMediaStreamStatistics& COrvaMediaStream::GetStatistics() { return context_.Statistics(); }

}  // namespace orva
