#pragma once
// The kernel calls the V4L2 backend makes on a device node, and nothing else: open,
// ioctl, mmap, poll, close. The backend reaches the kernel only through this interface,
// so the tests put a fake device behind it and check every call and its arguments.
//
// Every operation returns 0 (or a count) on success and the negated errno on failure;
// nothing here touches the global errno of the caller.
//
// Threads: an implementation must be safe from any thread; the backend calls ioctls on
// one descriptor from its delivery thread and the threads that release frames or send
// camera commands.

#include <cstddef>
#include <cstdint>
#include <string>

namespace orva {

class IV4l2Kernel {
public:
    virtual ~IV4l2Kernel() = default;
    // A descriptor (>= 0) or -errno.
    virtual int Open(const std::string& path, int flags) = 0;
    virtual int Close(int fd) = 0;
    // 0 or -errno. `argument` points to the request's structure.
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    // Maps `length` bytes of the device at `offset`, shared, for reading and writing.
    // 0 with `address` set, or -errno.
    virtual int Mmap(int fd, std::size_t length, int64_t offset, void** address) = 0;
    virtual int Munmap(void* address, std::size_t length) = 0;
    // Waits up to `timeoutMs` for `events` on the descriptor. The number of ready
    // descriptors (0 on time-out, 1 when ready, with `revents` set) or -errno.
    virtual int Poll(int fd, short events, int timeoutMs, short* revents) = 0;
};

}  // namespace orva
