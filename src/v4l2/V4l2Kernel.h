#pragma once
// The real kernel behind IV4l2Kernel: the system calls themselves. Interrupted calls
// (EINTR) are repeated here, so no caller sees them.
//
// Threads: stateless; any thread.

#include "v4l2/IV4l2Kernel.h"

namespace orva {

class V4l2Kernel final : public IV4l2Kernel {
public:
    int Open(const std::string& path, int flags) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int Mmap(int fd, std::size_t length, int64_t offset, void** address) override;
    int Munmap(void* address, std::size_t length) override;
    int Poll(int fd, short events, int timeoutMs, short* revents) override;
};

}  // namespace orva
