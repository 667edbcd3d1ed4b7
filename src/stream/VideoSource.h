#pragma once
// The camera's video source and its asynchronous reader: everything the stream worker
// needs of a video stream. The simulated camera and the V4L2 backend implement it.
//
// Model. An IVideoSource is one camera's video output. CreateReader opens an
// IVideoReader on it; the reader addresses the source's first video stream only (every
// reader operation below means that stream). The reader delivers one sample per
// ReadSample call, asynchronously, through the IVideoReaderCallback it was created with.
// Results are int32_t codes, negative = failure (kVideo* below; other negative values of
// the backend's own are allowed and are logged as they are).
//
// Samples. A sample is shared (VideoSamplePtr): it stays valid while any reference is
// held, and the backend may recycle its buffer when the last reference is dropped. The
// worker keeps at most a few references (its queue holds 7) and drops every one of them.
//
// Threads and lifetime:
// - Reader operations may be called from any thread, also from inside a callback of the
//   same reader (the worker asks for another sample from OnReadSample).
// - OnReadSample is never called from inside the ReadSample call that asked for it, so a
//   callback that asks again cannot recurse. OnFlush may come before Flush returns.
// - Callbacks of one reader may arrive on any thread of the backend; the worker
//   serialises them itself.
// - The reader holds a reference to its callback until the reader is destroyed. The last
//   reference to a reader may be dropped on any thread, even inside one of its own
//   callbacks: destroying it discards pending requests and must not wait for the backend's
//   delivery thread. No new callback starts after that.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orva {

// Result codes (the values of the corresponding platform codes).
inline constexpr int32_t kVideoOk = 0;
inline constexpr int32_t kVideoErrorFailed = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kVideoErrorUnexpected = static_cast<int32_t>(0x8000FFFFu);
// GetNativeMediaType: the index is past the last type.
inline constexpr int32_t kVideoErrorNoMoreTypes = static_cast<int32_t>(0xC00D36B9u);
// The request does not fit the reader's state (e.g. reading a deselected stream).
inline constexpr int32_t kVideoErrorInvalidRequest = static_cast<int32_t>(0xC00D36B2u);
// The source or reader has shut down (the camera is gone).
inline constexpr int32_t kVideoErrorShutdown = static_cast<int32_t>(0xC00D3E85u);

// Stream flags of one delivery (bit values of the platform's reader flags).
inline constexpr uint32_t kStreamFlagError = 0x1;
inline constexpr uint32_t kStreamFlagEndOfStream = 0x2;
inline constexpr uint32_t kStreamFlagStreamTick = 0x100;

// Source characteristics bits for VideoReaderOptions.
inline constexpr uint32_t kSourceIsLive = 0x1;
inline constexpr uint32_t kSourceDoesNotUseNetwork = 0x80;

constexpr uint32_t FourCc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

// The camera's native packing: 2 bytes per pixel.
inline constexpr uint32_t kVideoSubtypeYuy2 = FourCc('Y', 'U', 'Y', '2');

enum class VideoMajorType { kVideo, kAudio, kOther };

// One native media type of the stream.
struct VideoMediaType {
    VideoMajorType majorType = VideoMajorType::kVideo;
    uint32_t subtype = kVideoSubtypeYuy2;  // FourCC
    uint32_t width = 0;
    uint32_t height = 0;
    bool hasFrameRate = true;  // false when the type carries no readable frame rate
    uint32_t frameRateNumerator = 0;
    uint32_t frameRateDenominator = 1;
};

// What the reader is asked to do; a backend applies what applies to it.
struct VideoReaderOptions {
    bool disconnectSourceOnShutdown = true;  // destroying the reader leaves the source running
    bool lowLatency = false;
    uint32_t sourceCharacteristics = 0;      // kSource* bits
    bool disableConverters = false;          // deliver the native samples unchanged
    bool enableVideoProcessing = true;
    bool enableAdvancedVideoProcessing = true;
};

class VideoSample {
public:
    virtual ~VideoSample() = default;
    // The sample follows a gap in the stream.
    virtual bool IsDiscontinuity() const = 0;
    // Gives the sample's bytes as one contiguous buffer, valid until Unlock. On failure
    // nothing is locked and Unlock must not be called.
    virtual int32_t Lock(const uint8_t** data, std::size_t* length) = 0;
    virtual void Unlock() = 0;
};

using VideoSamplePtr = std::shared_ptr<VideoSample>;

class IVideoReaderCallback {
public:
    virtual ~IVideoReaderCallback() = default;
    // Completion of one ReadSample. `sample` is null when none came (for instance with
    // kStreamFlagStreamTick or kStreamFlagError).
    virtual void OnReadSample(int32_t status, uint32_t streamFlags, int64_t timestamp100ns, VideoSamplePtr sample) = 0;
    // Completion of Flush.
    virtual void OnFlush() = 0;
    // Any other notification of the reader.
    virtual void OnEvent(uint32_t eventType) = 0;
};

class IVideoReader {
public:
    virtual ~IVideoReader() = default;
    // The index-th native media type; kVideoErrorNoMoreTypes past the last one.
    virtual int32_t GetNativeMediaType(uint32_t index, VideoMediaType& type) = 0;
    // Selects one of the native types (compared by subtype, size and frame rate).
    virtual int32_t SetCurrentMediaType(const VideoMediaType& type) = 0;
    // Whether the stream is selected now. A selection change may take effect some time
    // after SetStreamSelection accepted it.
    virtual int32_t GetStreamSelection(bool& selected) = 0;
    virtual int32_t SetStreamSelection(bool selected) = 0;
    // Asks for one sample; completes with one OnReadSample. Fails on a deselected stream.
    virtual int32_t ReadSample() = 0;
    // Discards pending requests and queued samples; completes with OnFlush.
    virtual int32_t Flush() = 0;
};

class IVideoSource {
public:
    virtual ~IVideoSource() = default;
    // Opens a reader that reports to `callback`. On success `reader` is set.
    virtual int32_t CreateReader(const VideoReaderOptions& options, std::shared_ptr<IVideoReaderCallback> callback,
                                 std::shared_ptr<IVideoReader>& reader) = 0;
};

}  // namespace orva
