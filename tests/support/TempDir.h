#pragma once
// A fresh folder under $TMPDIR (or /tmp) for one test, removed with everything in it.

#include <string>

namespace orva::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + "/" + name
    std::string File(const std::string& name) const;

private:
    std::string path_;
};

// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace orva::test
