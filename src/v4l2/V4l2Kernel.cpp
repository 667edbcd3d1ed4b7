#include "v4l2/V4l2Kernel.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace orva {

int V4l2Kernel::Open(const std::string& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? -errno : fd;
}

int V4l2Kernel::Close(int fd) {
    // Not repeated on EINTR: the descriptor is released either way on Linux.
    return ::close(fd) < 0 ? -errno : 0;
}

int V4l2Kernel::Ioctl(int fd, unsigned long request, void* argument) {
    int result;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? -errno : 0;
}

int V4l2Kernel::Mmap(int fd, std::size_t length, int64_t offset, void** address) {
    void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(offset));
    if (mapped == MAP_FAILED) return -errno;
    *address = mapped;
    return 0;
}

int V4l2Kernel::Munmap(void* address, std::size_t length) { return ::munmap(address, length) < 0 ? -errno : 0; }

int V4l2Kernel::Poll(int fd, short events, int timeoutMs, short* revents) {
    pollfd entry{fd, events, 0};
    int result;
    do {
        result = ::poll(&entry, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    if (result < 0) return -errno;
    *revents = entry.revents;
    return result;
}

}  // namespace orva
