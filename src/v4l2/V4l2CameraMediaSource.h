#pragma once
// An activated V4L2 camera: the open device node, its extension unit (when the
// descriptors name one) and its video side, which opens V4l2VideoReaders. The stream's
// adapter reaches the video side as IVideoSource.
//
// Threads: created on the GUI thread; CreateReader from the stream's producer thread.

#include "camera/ICameraDeviceEnumerator.h"
#include "stream/VideoSource.h"
#include "v4l2/V4l2DeviceHandle.h"
#include "v4l2/V4l2VideoReader.h"

#include <memory>

namespace orva {

class V4l2CameraMediaSource final : public ICameraMediaSource, public IVideoSource {
public:
    V4l2CameraMediaSource(std::shared_ptr<V4l2DeviceHandle> device, std::shared_ptr<IExtensionUnitTransport> transport,
                          V4l2ReaderOptions readerOptions)
        : device_(std::move(device)), transport_(std::move(transport)), readerOptions_(std::move(readerOptions)) {}

    std::shared_ptr<IExtensionUnitTransport> ExtensionUnitTransport() override { return transport_; }
    int32_t CreateReader(const VideoReaderOptions& options, std::shared_ptr<IVideoReaderCallback> callback,
                         std::shared_ptr<IVideoReader>& reader) override;

private:
    std::shared_ptr<V4l2DeviceHandle> device_;
    std::shared_ptr<IExtensionUnitTransport> transport_;
    V4l2ReaderOptions readerOptions_;
};

}  // namespace orva
