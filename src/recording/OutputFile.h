#pragma once
// A file written through stdio in which every operation is checked. The first failure
// (a full disk, a removed drive, a file-size limit) is remembered with its system error;
// from then on every operation fails at once, so a writer stops at the first lost byte.
// It does not log: the owner decides how to report the failure, once.
//
// Threads: owned by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace orva {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the path with the stdio mode ("wb" replaces a file for binary writing, "w"
    // for text). Closes a file that is still open first. False on failure (Error()).
    bool Open(const std::string& path, const char* mode);
    bool IsOpen() const { return file_ != nullptr; }

    bool Write(const void* data, std::size_t length);
    bool Flush();
    // Position for header patching: the current offset, or -1 after a failure.
    int64_t Tell();
    bool Seek(int64_t offset);

    // Flushes and closes; false when the data did not all reach the file or the file had
    // failed before (it is closed all the same). Closing a closed file is true.
    bool Close();

    bool Failed() const { return error_ != 0; }
    // The system error number of the first failure, 0 if none.
    int Error() const { return error_; }
    const std::string& Path() const { return path_; }
    // "<path>: <system error text> (<number>)", for log lines and messages to the user.
    std::string DescribeError() const;

private:
    bool Fail();
    // True after a failure or while no file is open (which then counts as a failure).
    bool Unusable();

    std::FILE* file_ = nullptr;
    std::string path_;
    int error_ = 0;
};

}  // namespace orva
