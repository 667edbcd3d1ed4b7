#pragma once
// An INI-style text file that stands in for the registry: sections of key=value lines,
// every value a string.
//
// Form, one entry per line, lines ending in "\n" (a "\r" before it is tolerated):
//   [Section]
//   Key=Value
// The key runs to the first "=" that is not escaped, the value is everything after it up
// to the line end, blanks included, so leading and trailing blanks survive. Inside keys
// and values a backslash escapes: "\\" backslash, "\n" line feed, "\r" carriage return,
// "\0" zero byte; in keys also "\=" an equals sign, and a key's first character ";",
// "#" or "[" gets a backslash too. Lines starting with ";" or "#" are comments.
// A file edited by hand keeps what the program does not use: comments, blank lines, keys it
// does not know and lines it cannot read (with the lines below an unusable header) are
// written back exactly as they were read, in their places, and so are the entries that
// were not changed. Where a key stands twice, the last one counts and is the one changed.
// Keys and section names are matched without regard to ASCII case, as registry value
// names are. Saving writes a temporary file beside the target, flushes it to the disk
// and renames it over the old one, so a failed save leaves the old file intact.
//
// Not thread-safe: one owner.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orva {

class IniFile {
public:
    enum class LoadStatus {
        Loaded,      // read whole
        Missing,     // no such file: empty
        Unreadable,  // could not be read: empty
        Damaged,     // read, but lines were unusable (or the last one cut off): those are left out
    };
    struct LoadResult {
        LoadStatus status = LoadStatus::Loaded;
        // Why, for a message: the system's error text, or the first unusable line's number.
        std::string detail;
    };

    // Files larger than this are not settings files; they are refused as unreadable.
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

    // Replaces the content with the file's.
    LoadResult Load(const std::string& path);
    // Replaces the content with the text's; returns the first unusable line (1-based), 0 if none.
    std::size_t Parse(std::string_view text);
    std::string Serialize() const;
    // Creates the folder if needed. On failure the old file is untouched and error says why.
    bool Save(const std::string& path, std::string& error) const;

    bool HasSection(std::string_view section) const;
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the value of an existing key (keeping its place) or appends the key.
    void Set(std::string_view section, std::string_view key, std::string value);

private:
    struct Line {
        std::string text;  // as read, without the line end; empty for an entry made by Set
        bool isEntry = false;
        bool changed = false;  // an entry written from key and value, not from text
        std::string key;
        std::string value;
    };
    struct Section {
        bool named = false;  // false: the lines before the first header, or under an unusable one
        std::string name;
        std::optional<std::string> header;  // the header line as read
        std::vector<Line> lines;
    };

    const Line* FindEntry(std::string_view section, std::string_view key) const;
    Section& SectionFor(std::string_view name);

    std::vector<Section> sections_;
};

}  // namespace orva
