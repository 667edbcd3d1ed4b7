#pragma once
// Hands the live histogram (1024 bins of 64-bit counts, 8192 bytes) from the frame
// processor to the histogram control without blocking either side for more than a copy.
//
// Threads: one writer (the frame processor) fills GetWriteBuffer() and calls Swap(); one
// reader (the GUI thread) calls FetchNewData() and then reads GetReadBuffer(). The lock
// covers only the swap and the copy: filling and reading use buffers the other side does
// not touch at that time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace orva {

class ThreadSafeDoubleBuffer {
public:
    static constexpr std::size_t kBins = 1024;
    static constexpr std::size_t kSizeBytes = kBins * sizeof(uint64_t);

    // The process's histogram buffer, created on first use.
    static ThreadSafeDoubleBuffer& Instance();

    ThreadSafeDoubleBuffer() = default;
    virtual ~ThreadSafeDoubleBuffer() = default;
    ThreadSafeDoubleBuffer(const ThreadSafeDoubleBuffer&) = delete;
    ThreadSafeDoubleBuffer& operator=(const ThreadSafeDoubleBuffer&) = delete;

    // Writer only: the buffer to fill next.
    virtual uint64_t* GetWriteBuffer();
    // Writer only: publishes the filled buffer; the writer then fills the other one.
    virtual void Swap();
    // Reader only: copies the newest published buffer if there is one since the last
    // fetch; returns whether it copied.
    virtual bool FetchNewData();
    // Reader only: the copy taken by the last successful fetch.
    virtual const uint64_t* GetReadBuffer() const;

private:
    using Buffer = std::array<uint64_t, kBins>;

    std::mutex lock_;
    Buffer buffers_[2] = {};
    Buffer readCopy_ = {};
    int writeIndex_ = 0;  // changed only by the writer, under the lock
    bool newData_ = false;
};

}  // namespace orva
