#pragma once
// One equipment list (observers, observing sites, instruments or mounts): the entries in
// memory, ordered by name, and their file "<data folder>/Equipment/<file>" in the coded
// XML list form. One entry of each list is the current one, chosen by name in the settings.
// The derived class of each kind says which file, which fields and which settings key.
//
// The command line may change the same file: before the list is written, the manager
// checks whether the file changed on disk since it last read or wrote it, and if so reads
// it again and merges by name (an entry added there is taken in, one edited only there
// takes that edit, one deleted here stays deleted; where both sides changed an entry, this
// side's version is written).
//
// Threads: GUI thread only.

#include "common/FileSignature.h"
#include "equipment/COrvaXmlParser.h"
#include "equipment/EquipmentEntry.h"
#include "equipment/IOrvaXmlParserCallback.h"

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orva {

class IUiServices;

struct EquipmentKind {
    const char* fileName;           // "instruments.xml"
    const char* rootName;           // "Instruments"
    const char* itemName;           // "Instrument"
    const char* placeholderPrefix;  // "{{TELESCOPE_"
    std::span<const EquipmentField> fields;  // after Name and Notes, in write order
};

class EquipmentManager : public IOrvaXmlParserCallback {
public:
    static constexpr const char* kAccessErrorTitle = "Error";
    static constexpr const char* kAccessErrorText = "Failed to access the application data directory.";
    static constexpr const char* kEquipmentFolder = "Equipment";

    // dataDirectory: the station's data folder (the "ORVA" folder), which holds "Equipment".
    EquipmentManager(const EquipmentKind& kind, std::string dataDirectory);
    EquipmentManager(const EquipmentManager&) = delete;
    EquipmentManager& operator=(const EquipmentManager&) = delete;

    // Where failures to reach the data folder are shown; none: they are only logged.
    void SetUiServices(IUiServices* ui) { ui_ = ui; }

    const EquipmentKind& Kind() const { return kind_; }
    // "<data folder>/Equipment/<file>", without creating anything.
    std::string FilePath() const;

    // Replaces the list by the file's entries, in file order. A missing file gives an
    // empty list. In a damaged file an entry that does not decode is left out (logged
    // with its position) and every other entry is read; a truncated file gives the
    // entries before the cut. The file itself stays as it is until the list is changed
    // (the only time it is written), and a copy is kept as "<file>.damaged" (then
    // "<file>.damaged-2" ...) so that not even that change destroys what could not be
    // read. A file of which no copy can be kept (it cannot be read at all) is never
    // overwritten: saves are refused and say why.
    // False when the folder could not be reached (the list is then unchanged) or the
    // file could not be read whole.
    bool Load();
    // Writes the whole list, then runs the after-save hook. False when it was not written
    // (logged and shown). Called after the user changed the list (Add, Delete, an edited
    // entry), never on its own.
    bool Save();
    // Adds an entry of this name with empty or default fields, keeps the list ordered
    // and saves. False, and nothing changed, when an entry has exactly this name. A save
    // that fails is shown; the entry stays in the list, and the next save tries again.
    bool Add(const std::string& name);
    // Removes every entry of exactly this name and saves. False when the save failed
    // (shown; the entries stay removed in the list).
    bool Delete(const std::string& name);

    std::size_t Count() const { return entries_.size(); }
    const EquipmentEntry& At(std::size_t index) const { return entries_.at(index); }
    EquipmentEntry& At(std::size_t index) { return entries_.at(index); }
    const EquipmentEntry* Find(const std::string& name) const;
    EquipmentEntry* Find(const std::string& name);

    // The entry named by the kind's selection setting; none when that is empty or
    // names no entry.
    const EquipmentEntry* Current() const;
    // The kind's selection setting and its setter (which saves the settings).
    virtual std::string SelectedName() const = 0;
    virtual bool SelectName(const std::string& name) = 0;

    // Adds the report placeholders of the named entry to the map (nothing when no entry
    // has the name): prefix + "NAME}}", prefix + "NOTES}}" and one per field.
    void Placeholders(const std::string& name, std::map<std::string, std::string>& placeholders) const;

    // List-file callback.
    void StartItem() override;
    void ItemValue(const std::string& fieldName, const std::string& text) override;
    void EndItem() override;
    void GetRoot(std::string& rootName, std::size_t& itemCount) const override;
    void GetItemShape(std::string& itemName, std::size_t& fieldCount) const override;
    void GetField(std::size_t item, std::size_t field, std::string& fieldName, std::string& text) const override;

protected:
    // Runs after every save.
    virtual void AfterSave() {}

private:
    // Creates the folders on the way; empty (logged and shown) when that fails.
    std::optional<std::string> PrepareFilePath();
    // Reads the file into `into`, leaving the list as it is. A file that cannot be read
    // whole gets its copy kept.
    XmlReadResult ReadFile(const std::string& path, std::vector<EquipmentEntry>& into);
    // False when no copy could be kept.
    bool KeepDamagedCopy(const std::string& path) const;
    void Report(const std::string& text) const;
    void RememberFile(const std::string& path);
    // Takes in what another program wrote into the file since this list last read or
    // wrote it.
    void MergeOutsideChanges(const std::string& path);
    void SortByName();

    const EquipmentKind& kind_;
    std::string dataDirectory_;
    IUiServices* ui_ = nullptr;
    std::vector<EquipmentEntry> entries_;
    std::optional<EquipmentEntry> reading_;  // the item being read
    // The file as this list last read or wrote it: the base of a merge.
    std::optional<FileSignature> fileSignature_;
    std::vector<EquipmentEntry> fileEntries_;
    bool unreadable_ = false;  // the file could not be read and no copy was kept: never written
};

}  // namespace orva
