#pragma once
// A fixed-size buffer of trivially copyable elements aligned to 1024 bytes, allocated
// once and left uninitialised (the frame path writes every element it later reads; the
// pages of an unused capacity are never touched).
//
// Threads: a plain buffer; its owner decides who may touch which part.

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace orva {

template <typename T>
class AlignedBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    static constexpr std::size_t kAlignment = 1024;

    explicit AlignedBuffer(std::size_t count) : count_(count) {
        const std::size_t bytes = (count * sizeof(T) + kAlignment - 1) / kAlignment * kAlignment;
        data_ = static_cast<T*>(std::aligned_alloc(kAlignment, bytes == 0 ? kAlignment : bytes));
        if (data_ == nullptr) throw std::bad_alloc();
    }
    ~AlignedBuffer() { std::free(data_); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;

    T* Data() { return data_; }
    const T* Data() const { return data_; }
    std::size_t Size() const { return count_; }

private:
    T* data_ = nullptr;
    std::size_t count_ = 0;
};

}  // namespace orva
