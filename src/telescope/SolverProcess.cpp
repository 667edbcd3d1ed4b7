#include "telescope/SolverProcess.h"

#include "telescope/OutputLineSplitter.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orva {

SolverProcess::~SolverProcess() {
    Kill();
    if (reader_.joinable()) reader_.join();
}

int32_t SolverProcess::Start(const std::vector<std::string>& argv) {
    if (argv.empty()) return -EINVAL;
    {
        std::lock_guard lock(mutex_);
        if (pid_ > 0) return -EBUSY;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -errno;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    // posix_spawnp reports a program that cannot be executed as an error (glibc waits for
    // the exec), rather than as a child that exits with 127.
    const int error = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[1]);
    if (error != 0) {
        close(fds[0]);
        return -error;
    }
    {
        std::lock_guard lock(mutex_);
        pid_ = pid;
    }
    reader_ = std::thread([this, fd = fds[0]] { ReadOutput(fd); });
    return 0;
}

void SolverProcess::ReadOutput(int fd) {
    OutputLineSplitter splitter([this](std::string line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    });
    char buffer[4096];
    bool endOfOutput = false;
    while (!endOfOutput) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 100);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                splitter.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                endOfOutput = true;
            }
        }
        if (!endOfOutput) {
            Reap(false);
            // A killed program's escaped helper may hold the pipe open; do not wait for it.
            std::lock_guard lock(mutex_);
            if (killed_ && exited_) break;
        }
    }
    close(fd);
    splitter.Finish();
    Reap(true);
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    finishedChanged_.notify_all();
}

void SolverProcess::Reap(bool wait) {
    pid_t pid;
    {
        std::lock_guard lock(mutex_);
        if (exited_ || pid_ <= 0) return;
        pid = pid_;
    }
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, wait ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r != pid) return;
    std::lock_guard lock(mutex_);
    exited_ = true;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool SolverProcess::Started() const {
    std::lock_guard lock(mutex_);
    return pid_ > 0;
}

bool SolverProcess::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

bool SolverProcess::WaitFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return finishedChanged_.wait_for(lock, timeout, [this] { return finished_; });
}

int SolverProcess::ExitStatus() const {
    std::lock_guard lock(mutex_);
    return finished_ ? exitStatus_ : -1;
}

bool SolverProcess::Killed() const {
    std::lock_guard lock(mutex_);
    return killed_;
}

void SolverProcess::Kill() {
    std::lock_guard lock(mutex_);
    // The group id stays taken while any member of the group lives, so after the leader
    // has been reaped this still reaches only helpers that hold the output open.
    if (pid_ <= 0 || finished_) return;
    killed_ = true;
    kill(-pid_, SIGKILL);
}

std::vector<std::string> SolverProcess::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string SolverProcess::LastLine() const {
    std::lock_guard lock(mutex_);
    return lines_.empty() ? std::string() : lines_.back();
}

pid_t SolverProcess::Pid() const {
    std::lock_guard lock(mutex_);
    return pid_;
}

}  // namespace orva
