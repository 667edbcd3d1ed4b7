#pragma once
// Encodes LAGARITH16 frames on worker threads, each worker with an encoder of its own,
// and gives the blocks back in the order the frames were submitted. Frames are
// independent (each block carries its own model), so any worker can take the next one;
// a frame that codes slowly only holds back the ones behind it in the queue.
//
// Slots: the pool has SlotCount() frame slots (two more than workers), sized once per
// recording by Prepare; frame number s (counted from 0 since Prepare) lives in slot
// s % SlotCount(), and slots are given back strictly in order, so no slot is ever
// searched for and nothing is allocated per frame.
//
// Use, by one caller thread (the writer's):
//   while (pool.IsFull()) { write(pool.WaitHead()); pool.ReleaseHead(); }  // back-pressure
//   copy the frame into pool.NextSamples(); pool.Submit();
//   while (auto block = pool.FinishedHead()) { write(*block); pool.ReleaseHead(); }
//
// Threads: every member but the destructor's join is called by one thread at a time.
// A slot's samples belong to the caller until Submit, then to the one worker that takes
// the frame; its block belongs to that worker until the frame is finished, then to the
// caller until ReleaseHead. The pool's lock orders each hand-over. The workers run at the
// frame path's priority (they are part of a recording) and are joined by the destructor.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

namespace orva {

class Lagarith16EncodePool {
public:
    static constexpr int kMaxWorkers = 4;
    static constexpr int kSpareSlots = 2;

    // The recording path uses every core: the hardware threads, at most kMaxWorkers.
    static int DefaultWorkers();

    // workers in 1..kMaxWorkers (others are clamped), named `threadName`.
    explicit Lagarith16EncodePool(int workers, const char* threadName = "adv-encode");
    ~Lagarith16EncodePool();
    Lagarith16EncodePool(const Lagarith16EncodePool&) = delete;
    Lagarith16EncodePool& operator=(const Lagarith16EncodePool&) = delete;

    int Workers() const { return static_cast<int>(workers_.size()); }
    std::size_t SlotCount() const { return slots_.size(); }

    // Drops every queued frame (waiting for the encodes in progress) and sizes the slots
    // for frames of `samples` samples. Allocates only when the frames grow.
    void Prepare(std::size_t samples);
    // Drops every queued frame, encoded or not, after the encodes in progress end.
    void Discard();

    // Frames submitted and not yet released.
    std::size_t Queued() const { return static_cast<std::size_t>(submitted_ - released_); }
    bool IsFull() const { return Queued() == slots_.size(); }

    // The slots of the next frame to submit and of the oldest queued frame, for data the
    // caller keeps per frame beside the pool.
    std::size_t NextSlot() const { return static_cast<std::size_t>(submitted_ % slots_.size()); }
    std::size_t HeadSlot() const { return static_cast<std::size_t>(released_ % slots_.size()); }

    // The free slot the next frame is copied into (not while IsFull()).
    uint16_t* NextSamples();
    // Hands the frame copied into NextSamples() to the workers.
    void Submit();

    // The oldest queued frame's block when it is encoded; nothing while it is not (or when
    // nothing is queued). Valid until ReleaseHead.
    std::optional<std::span<const uint8_t>> FinishedHead();
    // The oldest queued frame's block, waiting for its encoding (only while Queued() > 0).
    std::span<const uint8_t> WaitHead();
    // Frees the oldest queued frame's slot.
    void ReleaseHead();

private:
    struct Slot {
        std::vector<uint16_t> samples;
        std::vector<uint8_t> block;
        bool encoded = false;  // under mutex_
    };

    void WorkerLoop(const char* threadName);
    Slot& SlotOf(uint64_t frame) { return slots_[static_cast<std::size_t>(frame % slots_.size())]; }

    std::vector<Slot> slots_;
    std::size_t samples_ = 0;
    // Frame numbers: the caller's only, read by workers under mutex_.
    uint64_t submitted_ = 0;
    uint64_t released_ = 0;
    std::mutex mutex_;
    std::condition_variable work_;     // a frame was submitted, or exit
    std::condition_variable encoded_;  // a frame was encoded
    uint64_t published_ = 0;           // frames the workers may take (submitted_ under mutex_)
    uint64_t taken_ = 0;               // next frame a worker takes
    int encoding_ = 0;                 // workers inside an encode
    bool exit_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace orva
