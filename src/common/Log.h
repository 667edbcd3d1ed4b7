#pragma once
// The application log: one daily text file, one line per event, flushed at once.
//
// Threads: any thread may log. A lock serialises the write-and-flush of each line.
// InitLogFile (open and close) runs on the GUI thread while the high-rate threads are
// idle; a line logged concurrently with a close is either written whole or dropped.

#include <cstddef>
#include <string>
#include <string_view>

namespace orva {

// Value messages are formatted into this many bytes, terminating zero included.
inline constexpr std::size_t kLogMessageBufferSize = 1024;

// With a non-empty directory: opens (appends to) "<dir>/orva_app_log_YYYY_MM_DD.txt"
// for the current UTC date and writes the start line. With an empty directory: closes
// the log if it is open. Callers close before they open again.
void InitLogFile(const std::string& directory);

bool IsLogOpen();
// The path of the open log file, empty while closed.
std::string LogFilePath();

void LogMessage(std::string_view text);
// "%s %d"
void LogMessageInt(std::string_view text, int value);
// "%s %d %d"
void LogMessageInt2(std::string_view text, int value1, int value2);
// "%s %s"
void LogMessageString(std::string_view text, std::string_view value);
// "%s %.3f"
void LogMessageReal(std::string_view text, double value);

// "%s %d" and friends, cut at 1023 characters as the log's value messages are.
std::string FormatValueMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The platform version line of the start-up sequence. Every platform this build runs on
// offers what the newer Windows releases did, so this is true here.
bool IsWindows8OrNewer();

// Installs the fatal-signal handler (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT). On a
// crash it logs, writes a crash report "<dir>/orva_minidump_YYYY_MM_DD.dmp" into the
// directory last given to InitLogFile, and lets the process die of the signal.
void InstallCrashHandler();

// The crash handler's work, callable directly (tests); returns after writing.
void WriteMiniDumpOnCrash(int signalNumber);

}  // namespace orva
