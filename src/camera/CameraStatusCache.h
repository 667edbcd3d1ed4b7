#pragma once
// The camera unit's status cache: a CameraStatus that the frame consumer thread rewrites
// for every frame and the GUI thread reads without waiting for it.
//
// Threads: a seqlock. The record is kept in atomic 64-bit words under a version counter
// that is odd while a write is under way; Load copies the words and retries until it saw
// one even version before and after the copy, so readers never block and never see a torn
// record. Writers (the frame consumer decoding a frame, the GUI thread storing a status
// block it read) are serialised by a mutex of their own, so each update is one
// read-modify-write of the whole record and neither writer loses the other's fields.

#include "camera/CameraStatus.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

namespace orva {

class CameraStatusCache {
public:
    CameraStatusCache();

    // Any thread, lock-free.
    CameraStatus Load() const;

    // Writers.
    void DecodeOverlay(const OverlayStatusFields& overlay);
    void SetFrameStartTime(const std::array<uint16_t, 8>& fromTime);
    // Both of the above as one update, so readers never see a frame's status with the
    // previous frame's start time.
    void DecodeFrame(const OverlayStatusFields& overlay, const std::array<uint16_t, 8>& fromTime);
    // Decodes a status block that was read when the caller wanted something newer than
    // `minimumSequence`, gives the record sequence minimumSequence + 1 (or keeps a newer
    // one a frame set meanwhile) and returns the record as stored.
    CameraStatus StoreStatusBlock(std::span<const uint8_t, CameraStatus::kStatusBlockSize> block,
                                  int32_t minimumSequence);

private:
    static constexpr std::size_t kWords = (sizeof(CameraStatus) + 7) / 8;

    // Runs `change` on the current record and publishes the result.
    CameraStatus Update(const std::function<void(CameraStatus&)>& change);
    CameraStatus LoadWords() const;
    void StoreWords(const CameraStatus& status);

    std::mutex writerMutex_;
    std::atomic<uint32_t> version_{0};
    std::array<std::atomic<uint64_t>, kWords> words_{};
};

}  // namespace orva
