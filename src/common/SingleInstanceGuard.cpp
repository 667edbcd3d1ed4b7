#include "common/SingleInstanceGuard.h"

#include "common/AppPaths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace orva {

std::string SingleInstanceGuard::DefaultDirectory() { return AppPaths::DataDirectory(); }

SingleInstanceGuard::SingleInstanceGuard(std::string directory) : path_(std::move(directory) + "/" + kFileName) {}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (fd_ >= 0) close(fd_);  // releases the lock
}

SingleInstanceGuard::State SingleInstanceGuard::Acquire() {
    if (state_ == State::Held) return state_;
    const std::string folder = path_.substr(0, path_.rfind('/'));
    if (!AppPaths::EnsureDirectory(folder)) {
        error_ = "cannot create " + folder;
        return state_ = State::Failed;
    }
    if (fd_ < 0) fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = path_ + ": " + std::strerror(errno);
        return state_ = State::Failed;
    }
    int result;
    do {
        result = flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return state_ = State::Held;
    if (errno == EWOULDBLOCK) return state_ = State::Busy;
    error_ = path_ + ": " + std::strerror(errno);
    return state_ = State::Failed;
}

}  // namespace orva
