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
    sections_.emplace_back();  // the lines before the first header
    std::size_t firstBad = 0;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        Section& current = sections_.back();
        // Whatever cannot be used stays in its place, to be written back as it was.
        const auto keep = [&](bool bad) {
            if (bad && firstBad == 0) firstBad = lineNumber;
            current.lines.push_back(Line{std::string(raw), false, false, {}, {}});
        };
        std::string_view line = raw;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Our own files end every line: an unterminated last line was cut off, its value
        // may be incomplete. Zero bytes come from blocks zero-filled after a crash.
        if (end == std::string_view::npos || line.find('\0') != std::string_view::npos) {
            keep(true);
            continue;
        }
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            keep(false);
            continue;
        }
        if (line[0] == '[') {
            Section section;
            section.header = std::string(raw);
            // Keys below an unusable header belong nowhere.
            section.named = line.size() >= 3 && line.back() == ']';
            if (section.named) {
                section.name = std::string(line.substr(1, line.size() - 2));
            } else if (firstBad == 0) {
                firstBad = lineNumber;
            }
            sections_.push_back(std::move(section));
            continue;
        }
        std::size_t i = 0;
        Line entry{std::string(raw), true, false, {}, {}};
        if (!current.named || !ReadEscaped(line, i, true, entry.key) || entry.key.empty() ||
            !ReadEscaped(line, i, false, entry.value)) {
            keep(true);
            continue;
        }
        current.lines.push_back(std::move(entry));
    }
    return firstBad;
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const Section& s : sections_) {
        if (s.header) {
            out += *s.header;
            out += '\n';
        } else if (s.named) {
            if (!out.empty() && !out.ends_with("\n\n")) out += '\n';
            out += '[';
            out += s.name;
            out += "]\n";
        }
        for (const Line& line : s.lines) {
            if (line.isEntry && (line.changed || line.text.empty())) {
                AppendEscaped(out, line.key, true);
                out += '=';
                AppendEscaped(out, line.value, false);
            } else {
                out += line.text;
            }
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

bool IniFile::HasSection(std::string_view section) const {
    for (const Section& s : sections_) {
        if (s.named && EqualsIgnoringCase(s.name, section)) return true;
    }
    return false;
}

const IniFile::Line* IniFile::FindEntry(std::string_view section, std::string_view key) const {
    // A file edited by hand may name a section or a key twice: the last entry counts.
    const Line* found = nullptr;
    for (const Section& s : sections_) {
        if (!s.named || !EqualsIgnoringCase(s.name, section)) continue;
        for (const Line& line : s.lines) {
            if (line.isEntry && EqualsIgnoringCase(line.key, key)) found = &line;
        }
    }
    return found;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const Line* line = FindEntry(section, key);
    if (line == nullptr) return std::nullopt;
    return line->value;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string value) {
    if (const Line* found = FindEntry(section, key)) {
        Line& line = const_cast<Line&>(*found);
        if (line.value != value) {
            line.value = std::move(value);
            line.changed = true;
        }
        return;
    }
    Line line;
    line.isEntry = true;
    line.changed = true;
    line.key = std::string(key);
    line.value = std::move(value);
    // After the section's last line that is not blank, so that blank lines before the
    // next section stay there.
    std::vector<Line>& lines = SectionFor(section).lines;
    auto at = lines.end();
    while (at != lines.begin() && !(at - 1)->isEntry && ((at - 1)->text.empty() || (at - 1)->text == "\r")) --at;
    lines.insert(at, std::move(line));
}

IniFile::Section& IniFile::SectionFor(std::string_view name) {
    // The last block of that name, so that a new key follows whatever the file held for it.
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        if (s->named && EqualsIgnoringCase(s->name, name)) return *s;
    }
    Section section;
    section.named = true;
    section.name = std::string(name);
    sections_.push_back(std::move(section));
    return sections_.back();
}

}  // namespace orva
