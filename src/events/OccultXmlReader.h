#pragma once
// Reads the events of an XML file exported by Occult: a root whose children are events,
// each with child elements whose text is a comma-separated list. Read are "Elements"
// (label, maximum duration, year, month, day, decimal UTC hour), "Star" (name, right
// ascension, declination, ?, magnitude, ?), "Object" (number, name, magnitude, diameter,
// five more) and "ID" (computes the combined magnitude and the drop from the star and
// asteroid magnitudes read so far); all other elements are ignored. The file is read
// through the list-file reader in plain mode.
//
// An event whose "Elements" entry is missing, malformed or names no valid date and hour
// has no time: it is not imported, and a line is logged. An entry with a number outside
// its range (EventNumberRange: "nan", "inf", 1e300) counts as malformed; names lose their
// control characters.
//
// Threads: the thread that owns the event store.

#include "equipment/IOrvaXmlParserCallback.h"
#include "events/OwEvent.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class OwEventManager;

struct OccultImportResult {
    bool readable = false;    // the file could be read (possibly only up to a damage)
    std::size_t added = 0;    // added to the shown days or filed under their own day
    std::size_t duplicates = 0;
    std::size_t refused = 0;  // without a valid time, or not taken by the store
};

class OccultXmlReader final : public IOrvaXmlParserCallback {
public:
    // Reads the file and hands every event with a time to the store.
    static OccultImportResult Import(const std::string& path, OwEventManager& store);

    // Only the events of the file, in file order; those without a valid time are left out.
    std::vector<OwEvent> Read(const std::string& path, bool* readable = nullptr);

    void StartItem() override;
    void ItemValue(const std::string& fieldName, const std::string& text) override;
    void EndItem() override;
    // Occult files are never written.
    void GetRoot(std::string& rootName, std::size_t& itemCount) const override;
    void GetItemShape(std::string& itemName, std::size_t& fieldCount) const override;
    void GetField(std::size_t item, std::size_t field, std::string& fieldName, std::string& text) const override;

    std::size_t Skipped() const { return skipped_; }

private:
    void ReadElements(const std::string& text);
    void ReadStar(const std::string& text);
    void ReadObject(const std::string& text);
    void ComputeMagnitudes();

    std::optional<OwEvent> current_;
    std::vector<OwEvent> events_;
    std::size_t skipped_ = 0;
};

}  // namespace orva
