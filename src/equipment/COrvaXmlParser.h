#pragma once
// Reads and writes the station's small XML list files: a root element holding item
// elements, each holding one element per field with the field's text. In coded mode the
// texts are stored as base64url of their UTF-16LE bytes; in plain mode they pass as they are.

#include "equipment/IOrvaXmlParserCallback.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace orva {

enum class XmlMode { Coded, Plain };

enum class XmlReadStatus {
    Ok,
    Missing,  // no such file: a list that was never saved; nothing is logged
    Failed,   // unreadable or damaged; every readable item was delivered
};

struct XmlReadResult {
    XmlReadStatus status = XmlReadStatus::Ok;
    std::size_t items = 0;         // items delivered to the callback
    std::size_t skippedItems = 0;  // items left out because a coded text did not decode
};

class COrvaXmlParser {
public:
    explicit COrvaXmlParser(XmlMode mode) : mode_(mode) {}

    // Delivers the items of the file in document order, each as StartItem, ItemValue per
    // field element, EndItem. The root is the document's last top-level element, so a
    // leading declaration or comment is fine. With a non-empty expectedRoot a root of
    // another name is refused. A file that is not XML or is truncated delivers the
    // complete items before the damage (never a half item) and logs one "E" line. An item
    // whose coded text does not decode is left out with one "E" line naming its position,
    // and the items after it are delivered.
    XmlReadResult Read(IOrvaXmlParserCallback& callback, const std::string& path,
                       std::string_view expectedRoot = {}) const;
    // The same for a file's bytes already in memory; `source` names it in the log.
    XmlReadResult ReadBytes(IOrvaXmlParserCallback& callback, const std::string& bytes, const std::string& source,
                            std::string_view expectedRoot = {}) const;

    // Writes root, items and fields, with no declaration and no indentation. The file
    // is written beside the target and renamed over it, so a failed save leaves the
    // previous file whole. False (and one "E" line) when the save failed.
    bool Write(const IOrvaXmlParserCallback& callback, const std::string& path) const;

private:
    XmlMode mode_;
};

}  // namespace orva
