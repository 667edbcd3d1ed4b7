#pragma once
// Runs a piece of a test in a forked child whose files may not grow beyond a limit
// (RLIMIT_FSIZE, with SIGXFSZ ignored so a write past it fails with EFBIG), the way a
// full disk makes writes fail. The parent then inspects the files and the log.

#include <cstdint>
#include <functional>

namespace orva::test {

// The child's exit code (the body's return value), or -1 when it did not exit normally.
int RunWithFileSizeLimit(uint64_t limitBytes, const std::function<int()>& body);

}  // namespace orva::test
