#include "events/OccultXmlImport.h"

#include "common/IUiServices.h"

namespace orva {

std::optional<std::string> OccultXmlImport::AskForFile(IUiServices& ui) { return ui.PickFile(kPickerTitle, kPickerFilter); }

OccultImportResult OccultXmlImport::Run(const std::string& path, OwEventManager& store, IUiServices& ui) {
    const OccultImportResult r = OccultXmlReader::Import(path, store);
    if (!r.readable) {
        ui.ShowMessage("Error", "The selected file is not a readable Occult XML file.", MessageIcon::Error);
        return r;
    }
    ui.ShowMessage("Import", "Imported " + std::to_string(r.added) + " events, " + std::to_string(r.duplicates) +
                                 " already known, " + std::to_string(r.refused) + " refused.",
                   MessageIcon::Information);
    return r;
}

}  // namespace orva
