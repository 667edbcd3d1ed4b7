#include "events/OwEventReceiver.h"

#include "common/AppPaths.h"
#include "common/Log.h"
#include "events/OwEventMessage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace orva {
namespace {

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when a socket file at the path has a listener (another station is running).
bool SomeoneListens(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool live = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(probe);
    return live;
}

// Removes a socket file that no one listens on; leaves every other kind of file alone.
void RemoveStaleSocket(const std::string& path, const sockaddr_un& address) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return;
    if (!SomeoneListens(address)) ::unlink(path.c_str());
}

enum class ReadEnd { Complete, TooLong, Failed, TimedOut, Stopping };

// Reads until the client closes its side. At most `limit` bytes are kept; one more byte
// makes the message too long. A byte on the wake pipe (Stop) ends the wait at once. Each
// wait lasts at most the read time-out, and the whole reading ends at the deadline, so a
// client that trickles a byte now and then cannot hold the feed either.
ReadEnd ReadToEnd(int fd, int wakeFd, std::string& message, std::size_t limit, std::chrono::milliseconds readTimeout,
                  std::chrono::steady_clock::time_point deadline) {
    char buffer[512];
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero()) return ReadEnd::TimedOut;
        const int timeoutMs = static_cast<int>(std::min(left, readTimeout).count());
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(p, 2, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return ReadEnd::TimedOut;
        if (ready < 0) return ReadEnd::Failed;
        if (p[1].revents != 0) return ReadEnd::Stopping;
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ReadEnd::Failed;
        if (n == 0) return ReadEnd::Complete;
        if (message.size() + static_cast<std::size_t>(n) > limit) return ReadEnd::TooLong;
        message.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string OwEventReceiver::DefaultSocketPath(const std::string& dataDirectory) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/" + kSocketName;
    }
    return dataDirectory + "/" + kSocketName;
}

OwEventReceiver::~OwEventReceiver() { Stop(); }

bool OwEventReceiver::Start(const Options& options) {
    if (IsRunning()) return true;
    options_ = options;
    if (options_.allowedUid == static_cast<uid_t>(-1)) options_.allowedUid = ::geteuid();

    const auto fail = [this](int code) {
        LogMessageInt("E Failed to create the named pipe for OccultWatcher", code);
        CloseFd(listenFd_);
        CloseFd(wakeRead_);
        CloseFd(wakeWrite_);
        return false;
    };
    sockaddr_un address{};
    if (!FillAddress(options_.socketPath, address)) return fail(ENAMETOOLONG);
    // The data folder (the fallback) may not exist yet on a first start.
    AppPaths::EnsureDirectory(std::filesystem::path(options_.socketPath).parent_path().string());
    RemoveStaleSocket(options_.socketPath, address);

    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) return fail(errno);
    if (::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) return fail(errno);
    // Only the owner may connect; the peer check below refuses other users in any case.
    if (::chmod(options_.socketPath.c_str(), 0600) != 0 || ::listen(listenFd_, 4) != 0) {
        const int error = errno;
        ::unlink(options_.socketPath.c_str());
        return fail(error);
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        const int error = errno;
        ::unlink(options_.socketPath.c_str());
        return fail(error);
    }
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    thread_ = std::thread([this] { Run(); });
    return true;
}

void OwEventReceiver::Stop() {
    if (!thread_.joinable()) return;
    const char stop = 1;
    while (::write(wakeWrite_, &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    ::unlink(options_.socketPath.c_str());
    CloseFd(listenFd_);
    CloseFd(wakeRead_);
    CloseFd(wakeWrite_);
}

void OwEventReceiver::Run() {
    for (;;) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            LogMessageInt("E OwEventReceiver poll failed", errno);
            return;
        }
        if (p[1].revents != 0) return;
        if ((p[0].revents & POLLIN) == 0) continue;
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;  // the client went away before we took it: wait again
        Serve(client);
        ::close(client);
        handled_.fetch_add(1);
    }
}

void OwEventReceiver::Serve(int client) {
    ucred peer{};
    socklen_t length = sizeof(peer);
    if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof(peer)) {
        LogMessageInt("W OwEventReceiver could not identify the client", errno);
        return;
    }
    if (peer.uid != options_.allowedUid) {
        LogMessageInt("W OwEventReceiver refused a connection of user", static_cast<int>(peer.uid));
        return;
    }
    LogMessage("I OwEventReceiver");

    std::string message;
    const auto deadline = std::chrono::steady_clock::now() + options_.connectionTimeout;
    switch (ReadToEnd(client, wakeRead_, message, kOwEventMessageMaxBytes, options_.readTimeout, deadline)) {
        case ReadEnd::Complete: break;
        case ReadEnd::Stopping: return;
        case ReadEnd::TooLong: LogMessageInt("W OwEventReceiver read failed", EMSGSIZE); return;
        case ReadEnd::TimedOut: LogMessageInt("W OwEventReceiver read failed", ETIMEDOUT); return;
        case ReadEnd::Failed: LogMessageInt("W OwEventReceiver read failed", errno); return;
    }
    if (message.empty()) {
        LogMessage("I OwEventReceiver Broken Pipe");
        return;
    }
    OwEventMessageResult parsed = ParseOwEventMessage(message);
    if (!parsed.ok) {
        LogMessageString("W OwEventReceiver refused the message:", parsed.error);
        return;
    }
    inbox_.Push(std::move(parsed.event));
}

}  // namespace orva
