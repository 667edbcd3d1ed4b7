#include "events/ProcessLauncher.h"

#include "common/Log.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orva {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string content;
    std::getline(in, content, '\0');
    return content;
}

// The state letter of /proc/<pid>/stat ("R", "S", "Z" ...), after the parenthesised name.
char ProcessState(const std::string& pidDir) {
    std::ifstream in(pidDir + "/stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
}

bool ProcessHasName(const std::string& pidDir, const std::string& wanted) {
    if (ProcessState(pidDir) == 'Z') return false;
    char target[4096];
    const ssize_t n = readlink((pidDir + "/exe").c_str(), target, sizeof(target) - 1);
    if (n > 0 && Upper(ProcessLauncher::FileNameOf(std::string(target, static_cast<std::size_t>(n)))) == wanted) {
        return true;
    }
    // argv[0] up to its terminating zero.
    const std::string first = ReadSmallFile(pidDir + "/cmdline");
    if (!first.empty() && Upper(ProcessLauncher::FileNameOf(first)) == wanted) return true;
    // The kernel's name is the file name cut to 15 characters (a script's own name, too).
    std::string comm = ReadSmallFile(pidDir + "/comm");
    if (!comm.empty() && comm.back() == '\n') comm.pop_back();
    return !comm.empty() && Upper(comm) == wanted.substr(0, 15);
}

}  // namespace

ProcessLauncher::~ProcessLauncher() { ReapExited(); }

std::string ProcessLauncher::FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ProcessLauncher::Started ProcessLauncher::Start(const std::vector<std::string>& argv) {
    Started started;
    const std::string program = argv.empty() ? std::string() : argv[0];
    if (program.empty()) {
        started.result = -ENOENT;
        LogMessage("E Failed to start process: " + program);
        return started;
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // glibc's posix_spawnp waits for the exec, so a program that cannot be executed is
    // an error here rather than a child that ends with 127.
    const int error = posix_spawnp(&started.pid, program.c_str(), nullptr, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        started.result = -error;
        started.pid = -1;
        LogMessage("E Failed to start process: " + program);
        return started;
    }
    children_.insert(started.pid);
    if (Poll(started.pid) == ChildState::Running) {
        LogMessageInt("I Process successfully started with ID", static_cast<int>(started.pid));
    } else {
        LogMessage("E Failed to confirm process start.");
    }
    return started;
}

ProcessLauncher::ChildState ProcessLauncher::Poll(pid_t pid) {
    if (!children_.contains(pid)) return ChildState::Unknown;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return ChildState::Running;
    children_.erase(pid);
    return r == pid ? ChildState::Exited : ChildState::Unknown;
}

void ProcessLauncher::ReapExited() {
    const std::set<pid_t> children = children_;
    for (pid_t pid : children) Poll(pid);
}

bool ProcessLauncher::IsRunning(const std::string& fileName) {
    if (fileName.empty()) return false;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        LogMessageString("E Failed to check if process is running (1):", fileName);
        return false;
    }
    const std::string wanted = Upper(fileName);
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(proc);
        if (entry == nullptr) break;
        const std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        found = ProcessHasName("/proc/" + name, wanted);
    }
    closedir(proc);
    return found;
}

}  // namespace orva
