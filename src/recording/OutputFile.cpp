#include "recording/OutputFile.h"

#include "recording/RecordingFileName.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orva {

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool OutputFile::Create(const std::string& path, FolderSync folderSync) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    path_ = path;
    number_ = 1;
    error_ = 0;
    return Attach(CreateDescriptor(path, folderSync));
}

bool OutputFile::CreateNumbered(const std::string& path, int firstNumber, FolderSync folderSync) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    error_ = 0;
    for (int number = firstNumber < 1 ? 1 : firstNumber; number <= kMaxNumber; ++number) {
        path_ = NumberedFileName(path, number);
        number_ = number;
        const int fd = CreateDescriptor(path_, folderSync);
        if (fd >= 0 || errno != EEXIST) return Attach(fd);
    }
    errno = EEXIST;
    return Fail();
}

int OutputFile::CreateDescriptor(const std::string& path, FolderSync folderSync) {
    errno = 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 || folderSync == FolderSync::None) return fd;
    const int folderError = SyncFolderOf(path);
    if (folderError != 0) {
        // A name that may not last is no place for a recording.
        ::close(fd);
        ::unlink(path.c_str());
        errno = folderError;
        return -1;
    }
    return fd;
}

bool OutputFile::Attach(int fd) {
    if (fd < 0) return Fail();
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return Fail();
    }
    return true;
}

int OutputFile::Descriptor() const { return file_ != nullptr ? ::fileno(file_) : -1; }

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

bool OutputFile::Sync() {
    if (!Flush()) return false;
    errno = 0;
    if (::fdatasync(::fileno(file_)) != 0) return Fail();
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

std::string OutputFile::Describe(const std::string& path, int error) {
    return path + ": " + std::strerror(error) + " (" + std::to_string(error) + ")";
}

std::string OutputFile::FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

int OutputFile::SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (error == EINVAL) error = 0;
    return error;
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
