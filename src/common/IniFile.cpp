#include "common/IniFile.h"

#include "common/AppPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orva {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void AppendEscaped(std::string& out, std::string_view text, bool isKey) {
    // A key must not look like a comment or a section header.
    if (isKey && !text.empty() && (text[0] == ';' || text[0] == '#' || text[0] == '[')) out += '\\';
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\0': out += "\\0"; break;
            case '=':
                out += isKey ? "\\=" : "=";
                break;
            default: out += c;
        }
    }
}

// Reads escaped text from position i up to the end, or (stopAtEquals) up to the first
// unescaped "=", which is consumed. False on a bad escape or a missing "=".
bool ReadEscaped(std::string_view line, std::size_t& i, bool stopAtEquals, std::string& out) {
    while (i < line.size()) {
        const char c = line[i++];
        if (c == '=' && stopAtEquals) return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= line.size()) return false;
        switch (line[i++]) {
            case '\\': out += '\\'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case '0': out += '\0'; break;
            case '=':
            case ';':
            case '#':
            case '[': out += line[i - 1]; break;
            default: return false;
        }
    }
    return !stopAtEquals;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string SystemError(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

IniFile::LoadResult IniFile::Load(const std::string& path) {
    sections_.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {LoadStatus::Missing, std::strerror(errno)};
        return {LoadStatus::Unreadable, std::strerror(errno)};
    }
    std::string text;
    char buffer[8192];
    LoadResult result;
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0) {
            if (errno == EINTR) continue;
            result = {LoadStatus::Unreadable, std::strerror(errno)};
            break;
        }
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
            result = {LoadStatus::Unreadable, "larger than a settings file can be"};
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    if (result.status != LoadStatus::Loaded) return result;
    if (text.empty()) return {LoadStatus::Damaged, "empty file"};
    if (const std::size_t bad = Parse(text); bad != 0) return {LoadStatus::Damaged, "line " + std::to_string(bad)};
    return result;
}

std::size_t IniFile::Parse(std::string_view text) {
    sections_.clear();
    std::size_t firstBad = 0;
    std::size_t lineNumber = 0;
    Section* current = nullptr;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto reject = [&] {
            if (firstBad == 0) firstBad = lineNumber;
        };
        // Our own files end every line: an unterminated last line was cut off, its value
        // may be incomplete.
        if (end == std::string_view::npos) {
            reject();
            break;
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos) {  // zero-filled blocks after a crash
            reject();
            continue;
        }
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.size() < 3 || line.back() != ']') {
                reject();
                current = nullptr;  // keys below an unusable header belong nowhere
                continue;
            }
            current = &SectionFor(line.substr(1, line.size() - 2));
            continue;
        }
        std::size_t i = 0;
        std::string key;
        std::string value;
        if (current == nullptr || !ReadEscaped(line, i, true, key) || key.empty() ||
            !ReadEscaped(line, i, false, value)) {
            reject();
            continue;
        }
        Set(current->name, key, std::move(value));  // a repeated key: the last one wins
    }
    return firstBad;
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const Section& s : sections_) {
        if (!out.empty()) out += '\n';
        out += '[';
        out += s.name;
        out += "]\n";
        for (const auto& [key, value] : s.entries) {
            AppendEscaped(out, key, true);
            out += '=';
            AppendEscaped(out, value, false);
            out += '\n';
        }
    }
    return out;
}

bool IniFile::Save(const std::string& path, std::string& error) const {
    const std::string directory = DirectoryOf(path);
    if (!AppPaths::EnsureDirectory(directory)) {
        error = SystemError("cannot create the folder", directory);
        return false;
    }
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = SystemError("cannot create a file in", directory);
        return false;
    }
    const std::string bytes = Serialize();
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        error = SystemError("cannot write", temporary);
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    if (close(fd) != 0) {
        error = SystemError("cannot write", temporary);
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = SystemError("cannot replace", path);
        unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable. The new file is in place already; a failure here
    // only means a crash in the next moments might bring back the old one.
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (s == nullptr) return std::nullopt;
    for (const auto& [k, v] : s->entries) {
        if (EqualsIgnoringCase(k, key)) return v;
    }
    return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string value) {
    Section& s = SectionFor(section);
    for (auto& [k, v] : s.entries) {
        if (EqualsIgnoringCase(k, key)) {
            v = std::move(value);
            return;
        }
    }
    s.entries.emplace_back(std::string(key), std::move(value));
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    for (const Section& s : sections_) {
        if (EqualsIgnoringCase(s.name, name)) return &s;
    }
    return nullptr;
}

IniFile::Section& IniFile::SectionFor(std::string_view name) {
    for (Section& s : sections_) {
        if (EqualsIgnoringCase(s.name, name)) return s;
    }
    sections_.push_back(Section{std::string(name), {}});
    return sections_.back();
}

}  // namespace orva
