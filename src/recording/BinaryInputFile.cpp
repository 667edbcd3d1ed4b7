#include "recording/BinaryInputFile.h"

#include <cerrno>
#include <cstring>

namespace orva {

BinaryInputFile::~BinaryInputFile() { Close(); }

bool BinaryInputFile::Open(const std::string& path) {
    Close();
    errorText_.clear();
    errno = 0;
    file_ = std::fopen(path.c_str(), "rbe");
    if (file_ == nullptr || fseeko(file_, 0, SEEK_END) != 0) {
        errorText_ = std::string(std::strerror(errno != 0 ? errno : EIO));
        Close();
        return false;
    }
    const off_t end = ftello(file_);
    if (end < 0) {
        errorText_ = std::string(std::strerror(errno != 0 ? errno : EIO));
        Close();
        return false;
    }
    size_ = static_cast<uint64_t>(end);
    return true;
}

void BinaryInputFile::OpenBytes(const uint8_t* data, std::size_t size) {
    Close();
    errorText_.clear();
    static const uint8_t kEmpty = 0;
    bytes_ = data != nullptr ? data : &kEmpty;
    size_ = data != nullptr ? size : 0;
}

void BinaryInputFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    bytes_ = nullptr;
    size_ = 0;
}

bool BinaryInputFile::ReadAt(uint64_t offset, void* buffer, std::size_t length) {
    if (!IsOpen() || !Holds(offset, length)) return false;
    if (length == 0) return true;
    if (bytes_ != nullptr) {
        std::memcpy(buffer, bytes_ + offset, length);
        return true;
    }
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, length, file_) == length;
}

}  // namespace orva
