#include "equipment/COrvaXmlParser.h"

#include "common/FileBytes.h"
#include "common/Log.h"
#include "equipment/CodedText.h"

#include <pugixml.hpp>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sstream>
#include <unistd.h>
#include <utility>
#include <vector>

namespace orva {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// All text below the node, in document order. Iterative, so deep nesting in a damaged
// file cannot exhaust the stack.
std::string TextContent(pugi::xml_node node) {
    std::string text;
    pugi::xml_node n = node.first_child();
    while (n) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n != node && !n.next_sibling()) n = n.parent();
        if (n == node) break;
        n = n.next_sibling();
    }
    return text;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A parse error leaves a partial tree in which the last item may be cut short. It counts
// as complete only when the readable text ends with its end tag (or it closed itself).
bool LastItemIsComplete(const std::string& buffer, std::ptrdiff_t errorOffset, pugi::xml_node item) {
    std::size_t end = std::min(buffer.size(), static_cast<std::size_t>(std::max<std::ptrdiff_t>(errorOffset, 0)) + 1);
    std::string_view readable(buffer.data(), end);
    while (!readable.empty() && IsSpace(readable.back())) readable.remove_suffix(1);
    if (!item.first_child()) return readable.ends_with("/>");
    if (!readable.ends_with('>')) return false;
    readable.remove_suffix(1);
    while (!readable.empty() && IsSpace(readable.back())) readable.remove_suffix(1);
    return readable.ends_with(std::string("</") + item.name());
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the bytes to "<path>.tmp", flushes them to the disk and renames the file over
// the target. Returns 0 or the errno of the step that failed.
int ReplaceFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    int error = 0;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) error = errno != 0 ? errno : EIO;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    // Make the rename itself durable; a failure here leaves a complete file either way.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return 0;
}

}  // namespace

XmlReadResult COrvaXmlParser::Read(IOrvaXmlParserCallback& callback, const std::string& path,
                                   std::string_view expectedRoot) const {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {XmlReadStatus::Missing, 0};
    const std::optional<std::string> bytes = FileBytes::Read(path);
    if (!bytes) {
        LogMessageString("E COrvaXmlParser::Read failed, cannot read the file:", path);
        return {XmlReadStatus::Failed, 0};
    }
    return ReadBytes(callback, *bytes, path, expectedRoot);
}

XmlReadResult COrvaXmlParser::ReadBytes(IOrvaXmlParserCallback& callback, const std::string& bytes,
                                        const std::string& source, std::string_view expectedRoot) const {
    XmlReadResult result;
    const auto fail = [&](const std::string& reason) {
        LogMessageString("E COrvaXmlParser::Read failed, " + reason + ":", source);
        result.status = XmlReadStatus::Failed;
        return result;
    };

    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
    const pugi::xml_node root = document.last_child();
    if (root.type() != pugi::node_element) {
        return fail(parsed ? std::string("no root element") : std::string("not XML (") + parsed.description() + ")");
    }
    if (!expectedRoot.empty() && expectedRoot != root.name()) {
        return fail("root <" + std::string(root.name()) + "> instead of <" + std::string(expectedRoot) + ">");
    }

    std::string damage;
    if (!parsed) {
        damage = std::string("damaged XML (") + parsed.description() + " at byte " +
                 std::to_string(parsed.offset) + ")";
    }
    std::size_t position = 0;  // of the item in the file, from 1
    for (pugi::xml_node item = root.first_child(); item; item = item.next_sibling()) {
        if (item.type() != pugi::node_element) continue;
        if (!parsed && !item.next_sibling() && !LastItemIsComplete(bytes, parsed.offset, item)) break;
        ++position;

        // The whole item is decoded before the callback sees it, so it never gets half an item.
        Fields fields;
        bool itemReadable = true;
        for (pugi::xml_node field = item.first_child(); field; field = field.next_sibling()) {
            if (field.type() != pugi::node_element) continue;
            std::string text = TextContent(field);
            if (mode_ == XmlMode::Coded) {
                std::optional<std::string> decoded = DecodeCodedText(text);
                if (!decoded) {
                    // One damaged item costs only itself: the items after it are read on.
                    LogMessageString("E COrvaXmlParser::Read failed, invalid coded text in <" +
                                         std::string(field.name()) + "> of item " + std::to_string(position) +
                                         ", the item is left out:",
                                     source);
                    result.status = XmlReadStatus::Failed;
                    ++result.skippedItems;
                    itemReadable = false;
                    break;
                }
                text = std::move(*decoded);
            }
            fields.emplace_back(field.name(), std::move(text));
        }
        if (!itemReadable) continue;

        callback.StartItem();
        for (const auto& [name, text] : fields) callback.ItemValue(name, text);
        callback.EndItem();
        ++result.items;
    }
    if (!damage.empty()) return fail(damage);
    return result;
}

bool COrvaXmlParser::Write(const IOrvaXmlParserCallback& callback, const std::string& path) const {
    pugi::xml_document document;
    std::string rootName;
    std::size_t itemCount = 0;
    callback.GetRoot(rootName, itemCount);
    pugi::xml_node root = document.append_child(rootName.c_str());

    std::string itemName;
    std::size_t fieldCount = 0;
    callback.GetItemShape(itemName, fieldCount);
    std::string fieldName;
    std::string text;
    for (std::size_t i = 0; i < itemCount; ++i) {
        pugi::xml_node item = root.append_child(itemName.c_str());
        for (std::size_t f = 0; f < fieldCount; ++f) {
            fieldName.clear();
            text.clear();
            callback.GetField(i, f, fieldName, text);
            pugi::xml_node field = item.append_child(fieldName.c_str());
            if (text.empty()) continue;
            const std::string stored = mode_ == XmlMode::Coded ? EncodeCodedText(text) : text;
            field.append_child(pugi::node_pcdata).set_value(stored.c_str());
        }
    }

    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration | pugi::format_no_empty_element_tags,
                  pugi::encoding_utf8);
    const int error = ReplaceFile(path, out.str());
    if (error != 0) {
        LogMessageInt("E COrvaXmlParser::Write failed for " + path + ":", error);
        return false;
    }
    return true;
}

}  // namespace orva
