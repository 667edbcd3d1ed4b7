#pragma once
// A recording file opened for checked reading: its size is taken once, and every read
// names the offset and length it wants, so a reader can refuse a damaged file before it
// reads past its end. Values are read little-endian.
//
// Threads: one thread at a time.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace orva {

class BinaryInputFile {
public:
    BinaryInputFile() = default;
    ~BinaryInputFile();
    BinaryInputFile(const BinaryInputFile&) = delete;
    BinaryInputFile& operator=(const BinaryInputFile&) = delete;

    // False, with ErrorText(), when the file cannot be opened or measured.
    bool Open(const std::string& path);
    // Reads from bytes in memory instead (fuzzing, tests); they must outlive the reading.
    void OpenBytes(const uint8_t* data, std::size_t size);
    void Close();
    bool IsOpen() const { return file_ != nullptr || bytes_ != nullptr; }
    uint64_t Size() const { return size_; }
    const std::string& ErrorText() const { return errorText_; }

    // Whether `length` bytes from `offset` lie inside the file (without overflow).
    bool Holds(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
    // Reads exactly `length` bytes from `offset`; false when they are not all there.
    bool ReadAt(uint64_t offset, void* buffer, std::size_t length);

    static uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
    static uint32_t U32(const uint8_t* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }
    static uint64_t U64(const uint8_t* p) { return U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32); }

private:
    std::FILE* file_ = nullptr;
    const uint8_t* bytes_ = nullptr;
    uint64_t size_ = 0;
    std::string errorText_;
};

}  // namespace orva
