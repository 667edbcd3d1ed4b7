#include "station/ToolbarLayout.h"

#include <algorithm>
#include <iterator>

namespace orva {
namespace {

constexpr const char* kSeparators = "=|;";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

ToolbarLayout::ToolbarLayout() {
    toolbars_.push_back({kRecordToolbar, {std::begin(MainFrameModel::kRecordingCommands),
                                          std::end(MainFrameModel::kRecordingCommands)}});
}

std::string ToolbarLayout::CommandName(Command command) {
    std::string text = MainFrameModel::Text(command);
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

bool ToolbarLayout::CanBeOnToolbar(Command command) {
    switch (command) {
        case Command::Toolbars:
        case Command::StatusBar:
        case Command::Undo:
        case Command::Cut:
        case Command::Copy:
        case Command::Paste: return false;
        default: return true;
    }
}

std::optional<ToolbarLayout::Command> ToolbarLayout::CommandNamed(const std::string& name) {
    for (const Command c : MainFrameModel::kAllCommands) {
        if (CanBeOnToolbar(c) && CommandName(c) == name) return c;
    }
    return std::nullopt;
}

ToolbarLayout ToolbarLayout::FromText(const std::string& text) {
    ToolbarLayout layout;
    if (text.empty()) return layout;
    ToolbarLayout read;
    read.toolbars_.clear();
    for (const std::string& part : Split(text, ';')) {
        const std::size_t equals = part.find('=');
        if (equals == std::string::npos) return layout;
        Toolbar toolbar{part.substr(0, equals), {}};
        const bool known = std::any_of(read.toolbars_.begin(), read.toolbars_.end(),
                                       [&](const Toolbar& t) { return t.name == toolbar.name; });
        if (Blank(toolbar.name) || known) return layout;
        if (equals + 1 < part.size()) {
            for (const std::string& name : Split(part.substr(equals + 1), '|')) {
                const auto command = CommandNamed(name);
                // An unknown command (another version's) is left out; a repeated one once.
                if (command && std::find(toolbar.commands.begin(), toolbar.commands.end(), *command) ==
                                   toolbar.commands.end()) {
                    toolbar.commands.push_back(*command);
                }
            }
        }
        read.toolbars_.push_back(std::move(toolbar));
    }
    if (read.toolbars_.front().name != kRecordToolbar) return layout;
    return read;
}

std::string ToolbarLayout::Text() const {
    std::string text;
    for (const Toolbar& toolbar : toolbars_) {
        if (!text.empty()) text += ';';
        text += toolbar.name + '=';
        for (std::size_t i = 0; i < toolbar.commands.size(); ++i) {
            if (i > 0) text += '|';
            text += CommandName(toolbar.commands[i]);
        }
    }
    return text;
}

std::vector<ToolbarLayout::Command> ToolbarLayout::Available(std::size_t toolbar) const {
    std::vector<Command> available;
    if (toolbar >= toolbars_.size()) return available;
    const std::vector<Command>& on = toolbars_[toolbar].commands;
    for (const Command c : MainFrameModel::kAllCommands) {
        if (CanBeOnToolbar(c) && std::find(on.begin(), on.end(), c) == on.end()) available.push_back(c);
    }
    return available;
}

bool ToolbarLayout::Add(std::size_t toolbar, Command command) {
    if (toolbar >= toolbars_.size() || !CanBeOnToolbar(command)) return false;
    std::vector<Command>& on = toolbars_[toolbar].commands;
    if (std::find(on.begin(), on.end(), command) != on.end()) return false;
    on.push_back(command);
    return true;
}

bool ToolbarLayout::Remove(std::size_t toolbar, std::size_t index) {
    if (toolbar >= toolbars_.size() || index >= toolbars_[toolbar].commands.size()) return false;
    std::vector<Command>& on = toolbars_[toolbar].commands;
    on.erase(on.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool ToolbarLayout::Move(std::size_t toolbar, std::size_t index, int delta) {
    if (toolbar >= toolbars_.size()) return false;
    std::vector<Command>& on = toolbars_[toolbar].commands;
    const auto target = static_cast<std::ptrdiff_t>(index) + delta;
    if (index >= on.size() || target < 0 || target >= static_cast<std::ptrdiff_t>(on.size())) return false;
    const auto from = on.begin() + static_cast<std::ptrdiff_t>(index);
    const auto to = on.begin() + target;
    // The command moves; the ones between shift by one.
    if (delta < 0) {
        std::rotate(to, from, from + 1);
    } else {
        std::rotate(from, from + 1, to + 1);
    }
    return true;
}

bool ToolbarLayout::NewToolbar(const std::string& name) {
    if (Blank(name) || name.find_first_of(kSeparators) != std::string::npos) return false;
    for (const Toolbar& t : toolbars_) {
        if (t.name == name) return false;
    }
    toolbars_.push_back({name, {}});
    return true;
}

bool ToolbarLayout::DeleteToolbar(std::size_t toolbar) {
    if (toolbar == 0 || toolbar >= toolbars_.size()) return false;
    toolbars_.erase(toolbars_.begin() + static_cast<std::ptrdiff_t>(toolbar));
    return true;
}

}  // namespace orva
