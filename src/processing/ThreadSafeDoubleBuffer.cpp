#include "processing/ThreadSafeDoubleBuffer.h"

namespace orva {

ThreadSafeDoubleBuffer& ThreadSafeDoubleBuffer::Instance() {
    static ThreadSafeDoubleBuffer instance;
    return instance;
}

uint64_t* ThreadSafeDoubleBuffer::GetWriteBuffer() { return buffers_[writeIndex_].data(); }

void ThreadSafeDoubleBuffer::Swap() {
    std::lock_guard<std::mutex> guard(lock_);
    newData_ = true;
    writeIndex_ = 1 - writeIndex_;
}

bool ThreadSafeDoubleBuffer::FetchNewData() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!newData_) return false;
    newData_ = false;
    readCopy_ = buffers_[1 - writeIndex_];
    return true;
}

const uint64_t* ThreadSafeDoubleBuffer::GetReadBuffer() const { return readCopy_.data(); }

}  // namespace orva
