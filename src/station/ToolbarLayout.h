#pragma once
// The window's toolbars as the observer arranged them: the "Record" toolbar (always
// there, its commands chosen and ordered freely) and toolbars of the observer's own,
// each a name and an ordered list of commands. Kept in the settings as one text with the
// rest of the saved workspace:
//
//   Record=SER|ADV|Stop recording;Focus=Start streaming|Toggle zoom (fit / scale)
//
// commands named by their menu text without the access-key mark. A command this program
// does not know is dropped when read, a damaged text gives the default layout.
//
// Plain value; GUI thread.

#include "station/MainFrameModel.h"

#include <optional>
#include <string>
#include <vector>

namespace orva {

class ToolbarLayout {
public:
    using Command = MainFrameModel::Command;
    static constexpr const char* kRecordToolbar = "Record";
    static constexpr const char* kNameRefused =
        "A new toolbar needs a name that no other toolbar has, without \"=\", \"|\" or \";\".";

    struct Toolbar {
        std::string name;
        std::vector<Command> commands;
        bool operator==(const Toolbar&) const = default;
    };

    // The default: the Record toolbar with the recording commands.
    ToolbarLayout();

    // The stored text; empty or damaged: the default layout.
    static ToolbarLayout FromText(const std::string& text);
    std::string Text() const;

    const std::vector<Toolbar>& Toolbars() const { return toolbars_; }
    // The commands that may be put on a toolbar and are not on this one yet, in menu order.
    std::vector<Command> Available(std::size_t toolbar) const;

    // Each returns false and changes nothing when the toolbar, the index or the command
    // does not fit (a command twice on one toolbar, a move past either end).
    bool Add(std::size_t toolbar, Command command);
    bool Remove(std::size_t toolbar, std::size_t index);
    bool Move(std::size_t toolbar, std::size_t index, int delta);
    // A name that is new, not blank and free of the text's separators ("=", "|", ";").
    bool NewToolbar(const std::string& name);
    // Only the observer's own toolbars; the Record toolbar stays.
    bool DeleteToolbar(std::size_t toolbar);

    // The menu text without its access-key mark ("Stop recording").
    static std::string CommandName(Command command);
    // The commands a toolbar can carry: every command of the menus but the window's own
    // toggles and the text editing ones.
    static bool CanBeOnToolbar(Command command);

    bool operator==(const ToolbarLayout&) const = default;

private:
    static std::optional<Command> CommandNamed(const std::string& name);

    std::vector<Toolbar> toolbars_;
};

}  // namespace orva
