#include "recording/OutputFile.h"

#include <cerrno>
#include <cstring>

namespace orva {

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool OutputFile::Open(const std::string& path, const char* mode) {
    if (file_ != nullptr) std::fclose(file_);
    path_ = path;
    error_ = 0;
    errno = 0;
    file_ = std::fopen(path.c_str(), mode);
    if (file_ == nullptr) return Fail();
    return true;
}

bool OutputFile::Write(const void* data, std::size_t length) {
    if (Unusable()) return false;
    if (length == 0) return true;
    errno = 0;
    if (std::fwrite(data, 1, length, file_) != length) return Fail();
    return true;
}

bool OutputFile::Flush() {
    if (Unusable()) return false;
    errno = 0;
    if (std::fflush(file_) != 0) return Fail();
    return true;
}

int64_t OutputFile::Tell() {
    if (Unusable()) return -1;
    errno = 0;
    const off_t position = ftello(file_);
    if (position < 0) {
        Fail();
        return -1;
    }
    return position;
}

bool OutputFile::Seek(int64_t offset) {
    if (Unusable()) return false;
    errno = 0;
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return Fail();
    return true;
}

bool OutputFile::Close() {
    if (file_ == nullptr) return true;
    std::FILE* file = file_;
    file_ = nullptr;
    if (error_ != 0) {
        std::fclose(file);
        return false;
    }
    errno = 0;
    const bool flushed = std::fflush(file) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!flushed) errno = flushError;
    if (!flushed || !closed) return Fail();
    return true;
}

std::string OutputFile::DescribeError() const {
    return path_ + ": " + std::strerror(error_) + " (" + std::to_string(error_) + ")";
}

bool OutputFile::Fail() {
    // stdio leaves errno at 0 for a short write it did not diagnose; EIO stands in.
    if (error_ == 0) error_ = errno != 0 ? errno : EIO;
    return false;
}

bool OutputFile::Unusable() {
    if (error_ != 0) return true;
    if (file_ != nullptr) return false;
    // Writing to a file that was never opened is a failure of its own, not a silent skip.
    errno = EBADF;
    Fail();
    return true;
}

}  // namespace orva
