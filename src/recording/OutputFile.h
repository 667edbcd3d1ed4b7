#pragma once
// A file written through stdio in which every operation is checked. The first failure
// (a full disk, a removed drive, a file-size limit) is remembered with its system error;
// from then on every operation fails at once, so a writer stops at the first lost byte.
// It does not log: the owner decides how to report the failure, once.
//
// A file is only ever created, never opened over an existing one: a recording can never
// truncate another. It is close-on-exec, so that no program the station starts keeps a
// recording open, and its folder is synced once it is created, so that the new name
// survives a power loss with the data that Sync() puts on the disk.
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

    // The most numbered names CreateNumbered tries before it gives up (EEXIST).
    static constexpr int kMaxNumber = 9999;

    // Creates the file; a name that is taken is a failure (EEXIST). Closes a file that is
    // still open first. False on failure (Error()).
    // With FolderSync::None the folder is not synced (the owner syncs it otherwise).
    enum class FolderSync { AfterCreate, None };
    bool Create(const std::string& path, FolderSync folderSync = FolderSync::AfterCreate);
    // As Create, but a taken name is passed over: from `firstNumber` on, the path numbered
    // by NumberedFileName (1: the path itself, then "_2", "_3", ...) is tried until one is
    // free. Path() and Number() then say which was created.
    bool CreateNumbered(const std::string& path, int firstNumber = 1,
                        FolderSync folderSync = FolderSync::AfterCreate);
    bool IsOpen() const { return file_ != nullptr; }
    // The number of the name created last (1: the path as asked).
    int Number() const { return number_; }
    // The file's descriptor while it is open, else -1: for syncing from another thread
    // (which must be finished before Close) and for checks.
    int Descriptor() const;

    bool Write(const void* data, std::size_t length);
    bool Flush();
    // Flushes and asks the system to put the data on the disk (fdatasync); blocks until it
    // is there.
    bool Sync();
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
    std::string DescribeError() const { return Describe(path_, error_); }
    static std::string Describe(const std::string& path, int error);

    // Syncs the folder that holds the path, so that a name created or renamed in it
    // lasts. 0 or the system error number; a file system that cannot sync folders
    // (EINVAL) counts as done.
    static int SyncFolderOf(const std::string& path);
    // The folder part of a path: "." for a bare name, "/" for a name in the root.
    static std::string FolderOf(const std::string& path);

private:
    bool Fail();
    // True after a failure or while no file is open (which then counts as a failure).
    bool Unusable();

    // Creates exactly this path; -1 with errno on failure.
    int CreateDescriptor(const std::string& path, FolderSync folderSync);
    // Takes over a created descriptor.
    bool Attach(int fd);

    std::FILE* file_ = nullptr;
    std::string path_;
    int number_ = 1;
    int error_ = 0;
};

}  // namespace orva
