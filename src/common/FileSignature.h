#pragma once
// What a file on the disk looked like when a store last read or wrote it: its device,
// inode, size and modification time. Before saving, a store compares the file's signature
// with the one it remembers; a difference means someone else wrote the file meanwhile
// (our files are replaced by a rename, which gives a new inode; a file written in place
// gets a new time or size), and the store reads it again and merges instead of
// overwriting what it never saw.
//
// A plain value; any thread.

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

class FileSignature {
public:
    // The file's signature now; none when there is no such regular file or it cannot be
    // examined.
    static std::optional<FileSignature> Of(const std::string& path);

    bool operator==(const FileSignature&) const = default;

private:
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    int64_t size_ = 0;
    int64_t modifiedSeconds_ = 0;
    int64_t modifiedNanoseconds_ = 0;
};

}  // namespace orva
