#pragma once
// What an equipment dialog (observers, observing sites, instruments, telescope mounts)
// shows and does, without the widgets: the list of names, the fields of the selected
// entry, adding an entry by name, deleting one after a confirmation question. Choosing an
// entry in the list makes it the current one of its kind.
//
// Threads: GUI thread only.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class EquipmentManager;
class IUiServices;

class EquipmentDialogModel {
public:
    static constexpr const char* kAddDialogTitle = "Add Equipment";
    static constexpr const char* kDeleteTitle = "Confirmation";
    static constexpr const char* kDeleteQuestion = "Are you sure that you want to delete this entry?";
    // Dialog names, as logged when a dialog opens.
    static constexpr const char* kObserversDialog = "Observers";
    static constexpr const char* kSitesDialog = "Observing Sites";
    static constexpr const char* kInstrumentsDialog = "Instruments";
    static constexpr const char* kMountsDialog = "Telescope Mounts";

    struct FieldRow {
        std::string name;  // "Notes", then the kind's fields ("Lat", "FlFactor", ...)
        std::string text;  // as shown: angles in degrees, minutes and seconds
    };

    EquipmentDialogModel(EquipmentManager& list, IUiServices& ui, std::string dialogName);

    // Logs the opening and selects the current entry, if there is one.
    void Open();

    std::vector<std::string> Names() const;
    std::optional<std::size_t> Selected() const { return selected_; }
    // Selects the entry and makes it the current one of its kind.
    void Choose(std::size_t index);
    // The fields of the selected entry; empty when none is selected.
    std::vector<FieldRow> Fields() const;
    // Takes an edited field of the selected entry and saves the list. False, and nothing
    // changed, when no entry is selected, the field is unknown or the text is not a value
    // of the field (a number, an angle).
    bool SetField(std::string_view fieldName, std::string_view text);

    // The name typed into the "Add Equipment" dialog. False for an empty name or one the
    // list already has; otherwise the new entry is added and chosen.
    bool Add(const std::string& name);
    // Asks the confirmation question; on "Yes" deletes every entry of the selected name.
    // False when nothing was selected or the observer said "No".
    bool DeleteSelected();

    // The mount dialog's driver line for the installed driver platform's version.
    static std::string TelescopeDriverLabel(const std::optional<std::string>& platformVersion);

private:
    std::optional<std::size_t> IndexOf(const std::string& name) const;

    EquipmentManager& list_;
    IUiServices& ui_;
    std::string dialogName_;
    std::optional<std::size_t> selected_;
};

}  // namespace orva
