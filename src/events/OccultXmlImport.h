#pragma once
// The observer's import of an Occult XML file, as the main window's menu command and the
// "Occultation Events" window's "xml" button run it: the file picker's title and filter,
// the import into the event store, and the message that says what came in, or that the
// file could not be read (then nothing is changed).
//
// Threads: GUI thread only (the store's).

#include "events/OccultXmlReader.h"

#include <optional>
#include <string>

namespace orva {

class IUiServices;
class OwEventManager;

class OccultXmlImport {
public:
    static constexpr const char* kPickerTitle = "Select Occult XML file";
    static constexpr const char* kPickerFilter = "Occult Files (*.xml)|*.xml||All Files (*.*)|*.*||";

    // The file the observer picks; none when cancelled.
    static std::optional<std::string> AskForFile(IUiServices& ui);
    // Imports the file's events and shows the outcome.
    static OccultImportResult Run(const std::string& path, OwEventManager& store, IUiServices& ui);
};

}  // namespace orva
