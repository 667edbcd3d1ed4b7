#include "stream/CDmsContext.h"

namespace orva {

std::shared_ptr<IVideoSource> CDmsContext::MediaSource() const {
    std::lock_guard lock(sourceMutex_);
    return mediaSource_;
}

void CDmsContext::SetMediaSource(std::shared_ptr<IVideoSource> source) {
    std::shared_ptr<IVideoSource> old;
    std::lock_guard lock(sourceMutex_);
    old.swap(mediaSource_);
    mediaSource_ = std::move(source);
    // `old` goes after the lock is released (declared first, destroyed last).
}

std::shared_ptr<IVideoReader> CDmsContext::SourceReader() const {
    std::lock_guard lock(sourceMutex_);
    return sourceReader_;
}

void CDmsContext::SetSourceReader(std::shared_ptr<IVideoReader> reader) {
    std::shared_ptr<IVideoReader> old;
    std::lock_guard lock(sourceMutex_);
    old.swap(sourceReader_);
    sourceReader_ = std::move(reader);
}

}  // namespace orva
