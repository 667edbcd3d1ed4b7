#pragma once
// What a list file's items mean: the user of COrvaXmlParser receives the items it reads
// and supplies the items it writes.

#include <cstddef>
#include <string>

namespace orva {

class IOrvaXmlParserCallback {
public:
    virtual ~IOrvaXmlParserCallback() = default;

    // Reading: a new item begins; its fields follow; the item is complete.
    virtual void StartItem() = 0;
    // Field element name and its (decoded) text. Names the callback does not know are ignored.
    virtual void ItemValue(const std::string& fieldName, const std::string& text) = 0;
    virtual void EndItem() = 0;

    // Writing: the root element's name and the number of items.
    virtual void GetRoot(std::string& rootName, std::size_t& itemCount) const = 0;
    // The item element's name and the number of fields of every item.
    virtual void GetItemShape(std::string& itemName, std::size_t& fieldCount) const = 0;
    virtual void GetField(std::size_t item, std::size_t field, std::string& fieldName, std::string& text) const = 0;
};

}  // namespace orva
