#pragma once
// An outside solver program (ASTAP, solve-field, wcsinfo) run as a child process: started
// from an argument vector (no shell), in a process group of its own, its standard output
// and error read through one pipe by a reader thread and cut into lines, until the end of
// the output and the program's exit. Kill ends the whole group, so a hung solver and any
// helper it started stop together.
//
// Threads: Start, Kill and the queries may be called from any thread (the plate-solving
// worker); the reader thread appends the lines. Finished() turns true only after the
// last line has been stored, under the same lock, so a caller that sees it reads all
// of the output.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orva {

class SolverProcess {
public:
    SolverProcess() = default;
    // Kills a program that still runs and waits for the reader.
    ~SolverProcess();
    SolverProcess(const SolverProcess&) = delete;
    SolverProcess& operator=(const SolverProcess&) = delete;

    // argv[0] is a path, or a name looked up on PATH. 0, or a negative errno (also when
    // the program cannot be executed). Once per object.
    int32_t Start(const std::vector<std::string>& argv);

    bool Started() const;
    // Exited (or killed) and its output read to the end.
    bool Finished() const;
    bool WaitFinished(std::chrono::milliseconds timeout) const;
    // The exit code, or 128 + signal; -1 while not finished.
    int ExitStatus() const;
    bool Killed() const;
    void Kill();

    std::vector<std::string> Lines() const;
    std::string LastLine() const;
    pid_t Pid() const;

private:
    void ReadOutput(int fd);
    void Reap(bool wait);

    mutable std::mutex mutex_;
    mutable std::condition_variable finishedChanged_;
    pid_t pid_ = -1;
    bool exited_ = false;
    bool finished_ = false;
    bool killed_ = false;
    int exitStatus_ = -1;
    std::vector<std::string> lines_;
    std::thread reader_;
};

}  // namespace orva
