#include "camera/CameraStatusCache.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace orva {

static_assert(std::is_trivially_copyable_v<CameraStatus>, "the cache copies the record word by word");

CameraStatusCache::CameraStatusCache() { StoreWords(CameraStatus{}); }

CameraStatus CameraStatusCache::LoadWords() const {
    std::array<uint64_t, kWords> copy{};
    for (std::size_t i = 0; i < kWords; ++i) copy[i] = words_[i].load(std::memory_order_acquire);
    CameraStatus status;
    std::memcpy(static_cast<void*>(&status), copy.data(), sizeof(CameraStatus));
    return status;
}

void CameraStatusCache::StoreWords(const CameraStatus& status) {
    std::array<uint64_t, kWords> copy{};
    std::memcpy(copy.data(), &status, sizeof(CameraStatus));
    for (std::size_t i = 0; i < kWords; ++i) words_[i].store(copy[i], std::memory_order_release);
}

CameraStatus CameraStatusCache::Load() const {
    for (;;) {
        const uint32_t before = version_.load(std::memory_order_acquire);
        if (before & 1u) continue;  // a write is under way
        // Acquire loads of the words: a word from a newer write brings that write's odd
        // version along, so the check below sees the change.
        CameraStatus status = LoadWords();
        if (version_.load(std::memory_order_relaxed) == before) return status;
    }
}

CameraStatus CameraStatusCache::Update(const std::function<void(CameraStatus&)>& change) {
    std::lock_guard lock(writerMutex_);
    // Only writers change the words, and they hold the mutex: this copy cannot be torn.
    CameraStatus status = LoadWords();
    change(status);
    const uint32_t v = version_.load(std::memory_order_relaxed);
    version_.store(v + 1, std::memory_order_relaxed);
    // Release stores of the words publish the odd version to any reader that sees them.
    StoreWords(status);
    version_.store(v + 2, std::memory_order_release);
    return status;
}

void CameraStatusCache::DecodeOverlay(const OverlayStatusFields& overlay) {
    Update([&](CameraStatus& s) { s.DecodeOverlay(overlay); });
}

void CameraStatusCache::SetFrameStartTime(const std::array<uint16_t, 8>& fromTime) {
    Update([&](CameraStatus& s) { s.SetFrameStartTime(fromTime); });
}

void CameraStatusCache::DecodeFrame(const OverlayStatusFields& overlay, const std::array<uint16_t, 8>& fromTime) {
    Update([&](CameraStatus& s) {
        s.DecodeOverlay(overlay);
        s.SetFrameStartTime(fromTime);
    });
}

CameraStatus CameraStatusCache::StoreStatusBlock(std::span<const uint8_t, CameraStatus::kStatusBlockSize> block,
                                                 int32_t minimumSequence) {
    return Update([&](CameraStatus& s) {
        s.DecodeStatusBlock(block);
        s.sequence = std::max(s.sequence, minimumSequence + 1);
    });
}

}  // namespace orva
