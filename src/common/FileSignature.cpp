#include "common/FileSignature.h"

#include <sys/stat.h>

namespace orva {

std::optional<FileSignature> FileSignature::Of(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileSignature s;
    s.device_ = static_cast<uint64_t>(st.st_dev);
    s.inode_ = static_cast<uint64_t>(st.st_ino);
    s.size_ = static_cast<int64_t>(st.st_size);
    s.modifiedSeconds_ = static_cast<int64_t>(st.st_mtim.tv_sec);
    s.modifiedNanoseconds_ = static_cast<int64_t>(st.st_mtim.tv_nsec);
    return s;
}

}  // namespace orva
