#include "common/Log.h"

#include "common/UtcTime.h"

#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace orva {
namespace {

constexpr std::size_t kPathBufferSize = 512;

// The log state is process-wide by design: every part of the station logs through it.
std::mutex g_lock;
std::atomic<FILE*> g_file{nullptr};
std::string g_path;
// A copy of the log directory in plain storage, so the crash handler needs no allocation.
char g_crashDirectory[kPathBufferSize] = {};

// Signal-safe text building: no locale, no allocation.
struct TextBuffer {
    char* data;
    std::size_t capacity;
    std::size_t length = 0;

    void Append(std::string_view s) {
        for (char c : s) {
            if (length + 1 < capacity) data[length++] = c;
        }
        data[length] = '\0';
    }
    void AppendNumber(long long value, int width) {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        unsigned long long v = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (negative) Append("-");
        for (int i = n; i < width; ++i) Append("0");
        while (n > 0) {
            const char c[2] = {digits[--n], '\0'};
            Append(c);
        }
    }
    bool Full() const { return length + 1 >= capacity; }
};

// "YYYY-MM-DD HH:MM:SS.mmm  text\n"
std::size_t FormatLine(char* out, std::size_t capacity, const UtcDateTime& t, std::string_view text) {
    TextBuffer b{out, capacity};
    b.AppendNumber(t.year, 4);
    b.Append("-");
    b.AppendNumber(t.month, 2);
    b.Append("-");
    b.AppendNumber(t.day, 2);
    b.Append(" ");
    b.AppendNumber(t.hour, 2);
    b.Append(":");
    b.AppendNumber(t.minute, 2);
    b.Append(":");
    b.AppendNumber(t.second, 2);
    b.Append(".");
    b.AppendNumber(t.millisecond, 3);
    b.Append("  ");
    b.Append(text);
    b.Append("\n");
    return b.length;
}

// "<dir>/<prefix>YYYY_MM_DD<suffix>"; false when it does not fit the path buffer.
bool FormatDatedPath(char* out, std::string_view directory, std::string_view prefix, const UtcDateTime& t,
                     std::string_view suffix) {
    TextBuffer b{out, kPathBufferSize};
    b.Append(directory);
    b.Append("/");
    b.Append(prefix);
    b.AppendNumber(t.year, 4);
    b.Append("_");
    b.AppendNumber(t.month, 2);
    b.Append("_");
    b.AppendNumber(t.day, 2);
    b.Append(suffix);
    return !b.Full();
}

void WriteLineLocked(FILE* file, const UtcDateTime& t, std::string_view text) {
    // Long messages are rare; they get a heap buffer rather than being cut here.
    char stackLine[kLogMessageBufferSize + 64];
    std::string heapLine;
    char* line = stackLine;
    std::size_t capacity = sizeof(stackLine);
    if (text.size() + 64 > capacity) {
        heapLine.resize(text.size() + 64);
        line = heapLine.data();
        capacity = heapLine.size();
    }
    const std::size_t n = FormatLine(line, capacity, t, text);
    std::fwrite(line, 1, n, file);
    std::fflush(file);
}

// Writes straight to the file descriptor: the stdio buffer is always empty between
// lines because every line is flushed.
void WriteLineFromSignal(std::string_view text) {
    FILE* file = g_file.load(std::memory_order_acquire);
    if (file == nullptr) return;
    char line[kLogMessageBufferSize + 64];
    const std::size_t n = FormatLine(line, sizeof(line), UtcNow(), text);
    const ssize_t ignored = write(fileno(file), line, n);
    (void)ignored;
}

const char* SignalName(int signalNumber) {
    switch (signalNumber) {
        case SIGSEGV: return "SIGSEGV";
        case SIGBUS: return "SIGBUS";
        case SIGILL: return "SIGILL";
        case SIGFPE: return "SIGFPE";
        case SIGABRT: return "SIGABRT";
        default: return "signal";
    }
}

void OnFatalSignal(int signalNumber) {
    WriteMiniDumpOnCrash(signalNumber);
    // SA_RESETHAND restored the default action: die of the same signal.
    raise(signalNumber);
}

}  // namespace

void InitLogFile(const std::string& directory) {
    if (directory.empty()) {
        FILE* file = g_file.load(std::memory_order_acquire);
        if (file == nullptr) return;
        LogMessage("I ---------- Closing Log File ----------");
        {
            std::lock_guard<std::mutex> guard(g_lock);
            g_file.store(nullptr, std::memory_order_release);
            g_path.clear();
        }
        // Every line was flushed; the close puts them on the disk.
        if (std::fflush(file) == 0) fdatasync(fileno(file));
        std::fclose(file);
        g_crashDirectory[0] = '\0';
        return;
    }

    // Callers close first; a caller that forgets must not leak the open file.
    if (IsLogOpen()) InitLogFile("");

    const UtcDateTime now = UtcNow();
    char path[kPathBufferSize];
    if (!FormatDatedPath(path, directory, "orva_app_log_", now, ".txt")) return;  // path too long: log stays off

    // "e": close-on-exec, so that no program the station starts holds the log open.
    FILE* file = std::fopen(path, "ae");
    if (file == nullptr) return;  // a missing folder or no rights: logging stays off and the station runs on
    if (directory.size() < sizeof(g_crashDirectory)) {
        std::memcpy(g_crashDirectory, directory.c_str(), directory.size() + 1);
    }
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_path = path;
        g_file.store(file, std::memory_order_release);
    }
    LogMessage("I ---------- Application started ----------");
}

bool IsLogOpen() { return g_file.load(std::memory_order_acquire) != nullptr; }

std::string LogFilePath() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_path;
}

void LogMessage(std::string_view text) {
    if (g_file.load(std::memory_order_acquire) == nullptr) return;
    // The time stamp is taken before waiting for the lock: the time of the call.
    const UtcDateTime now = UtcNow();
    std::lock_guard<std::mutex> guard(g_lock);
    FILE* file = g_file.load(std::memory_order_relaxed);
    if (file == nullptr) return;
    WriteLineLocked(file, now, text);
}

std::string FormatValueMessage(const char* format, ...) {
    char buffer[kLogMessageBufferSize];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (n < 0) return {};
    return std::string(buffer);
}

namespace {
std::string Terminated(std::string_view s) { return std::string(s); }
}  // namespace

void LogMessageInt(std::string_view text, int value) {
    if (!IsLogOpen()) return;
    LogMessage(FormatValueMessage("%s %d", Terminated(text).c_str(), value));
}

void LogMessageInt2(std::string_view text, int value1, int value2) {
    if (!IsLogOpen()) return;
    LogMessage(FormatValueMessage("%s %d %d", Terminated(text).c_str(), value1, value2));
}

void LogMessageString(std::string_view text, std::string_view value) {
    if (!IsLogOpen()) return;
    LogMessage(FormatValueMessage("%s %s", Terminated(text).c_str(), Terminated(value).c_str()));
}

void LogMessageReal(std::string_view text, double value) {
    if (!IsLogOpen()) return;
    LogMessage(FormatValueMessage("%s %.3f", Terminated(text).c_str(), value));
}

bool IsWindows8OrNewer() { return true; }

void InstallCrashHandler() {
    // backtrace() loads its unwinder on first use, which allocates: do it now, not in the handler.
    void* frames[4];
    backtrace(frames, 4);

    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) sigaction(s, &action, nullptr);
}

void WriteMiniDumpOnCrash(int signalNumber) {
    WriteLineFromSignal("E Fatal error, trying to write a mini-dump...");
    if (g_crashDirectory[0] == '\0') {
        WriteLineFromSignal("I Log directory not configured - can't write mini-dump!");
        return;
    }
    char path[kPathBufferSize];
    if (!FormatDatedPath(path, g_crashDirectory, "orva_minidump_", UtcNow(), ".dmp")) return;

    // A second crash on the same UTC day replaces the first report.
    const int fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        char line[128];
        TextBuffer b{line, sizeof(line)};
        b.Append("E Failed to create the mini-dump file ");
        b.AppendNumber(errno, 0);
        WriteLineFromSignal(std::string_view(line, b.length));
        return;
    }

    // This platform has no mini-dumps: the dump file is a text crash report.
    char header[128];
    TextBuffer b{header, sizeof(header)};
    b.Append("ORVA Cam Control crash report\nSignal ");
    b.AppendNumber(signalNumber, 0);
    b.Append(" (");
    b.Append(SignalName(signalNumber));
    b.Append(")\nBacktrace:\n");
    bool ok = write(fd, header, b.length) == static_cast<ssize_t>(b.length);
    void* frames[64];
    const int depth = backtrace(frames, 64);
    backtrace_symbols_fd(frames, depth, fd);
    ok = ok && depth > 0;
    close(fd);
    WriteLineFromSignal(ok ? "I Mini-dump successfully written" : "E Failed to write the mini-dump");
}

}  // namespace orva
