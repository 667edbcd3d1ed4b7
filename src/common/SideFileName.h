#pragma once
// Names for the copy of a file that is set aside beside it ("<file>.damaged",
// "<file>.unreadable"): the first of "<file><suffix>", "<file><suffix>-2", "<file><suffix>-3"
// ... that does not exist yet, so that a second damaged file never replaces the copy of
// the first.

#include <optional>
#include <string>
#include <string_view>

namespace orva {

class SideFileName {
public:
    static std::string FirstFree(const std::string& path, std::string_view suffix);
    // The side file among those names that holds exactly these bytes, if one does: a
    // copy kept before need not be kept again.
    static std::optional<std::string> HoldingBytes(const std::string& path, std::string_view suffix,
                                                   const std::string& bytes);
};

}  // namespace orva
