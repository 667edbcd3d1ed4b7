#pragma once
// Starts the outside programs the observer works with (the text editor for reports, the
// planetarium) from an argument vector, never through a shell, so no name or path given
// to them is ever interpreted. Each program runs on by itself in a process group of its
// own; the launcher keeps the ids of the programs it started and collects those that have
// ended (Poll, ReapExited), so none lingers as a zombie. It never stops them.
//
// IsRunning looks through the running processes for a program by its file name.
//
// Threads: one owner thread (the GUI thread). IsRunning is a pure query, any thread.

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace orva {

class ProcessLauncher {
public:
    enum class ChildState { Running, Exited, Unknown };

    struct Started {
        int32_t result = 0;  // 0, or a negative errno (also when the program cannot be executed)
        pid_t pid = -1;
        bool ok() const { return result == 0; }
    };

    ProcessLauncher() = default;
    ~ProcessLauncher();
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    // argv[0] is a path, or a name looked up on PATH. Logs "I Process successfully started
    // with ID <pid>" (or "E Failed to confirm process start." when it has already ended),
    // or "E Failed to start process: <program>".
    Started Start(const std::vector<std::string>& argv);

    // Whether a program this launcher started still runs; an ended one is collected.
    ChildState Poll(pid_t pid);
    // Collects every started program that has ended.
    void ReapExited();

    // True when a running process (not one that has ended) has this executable file
    // name, compared without regard to letter case. Looks at the executable, the first
    // argument and the kernel's short name of each process. A process list that cannot
    // be read logs "E Failed to check if process is running (1): <name>" and counts as
    // not running.
    static bool IsRunning(const std::string& fileName);

    // The part after the last "/" (or "\", for paths of another platform).
    static std::string FileNameOf(const std::string& path);

private:
    std::set<pid_t> children_;
};

}  // namespace orva
