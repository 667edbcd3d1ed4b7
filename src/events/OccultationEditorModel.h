#pragma once
// The logic of the event editor ("Occultation Event Editor", `CDlgOccultationEditor`): the
// texts its fields start with, the check of what the observer typed (in a fixed order,
// stopping at the first field in error, which the view then focuses and selects), and the
// new or changed event handed to the store. The view shows the texts, forwards typing to
// SetText and the buttons to Confirm and Cancel, and beeps when Confirm keeps it open.
//
// Threads: GUI thread only.

#include "events/OwEvent.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orva {

class IUiServices;
class OwEventManager;

class OccultationEditorModel {
public:
    // In the order the input is checked.
    enum class Field {
        ErrorInTime,
        MaxDuration,
        Probability,
        AsteroidMag,
        StarMag,
        CombinedMag,
        DeltaMag,
        StarName,
        AsteroidName,
        Position,
        DateTime,
    };
    static constexpr std::size_t kFieldCount = 11;
    enum class Result { Closed, KeepOpen };

    // id 0: a new event, starting at `nowTicks` (event ticks of the current UTC time).
    OccultationEditorModel(OwEventManager& store, IUiServices& ui, OwEventId id, uint64_t nowTicks);

    static const char* Label(Field field);
    const std::string& Text(Field field) const { return texts_[static_cast<std::size_t>(field)]; }
    void SetText(Field field, std::string text) { texts_[static_cast<std::size_t>(field)] = std::move(text); }
    // The part of the date field selected when the editor opens: the time (characters
    // 11 to 19).
    static constexpr std::size_t kTimeSelectionStart = 11;
    static constexpr std::size_t kTimeSelectionEnd = 19;

    // "OK": checks every field; on success the event is added or changed and the editor
    // closes. Otherwise InvalidField names the field to focus (none when the store refused
    // a new event as a duplicate).
    Result Confirm();
    void Cancel();
    std::optional<Field> InvalidField() const { return invalid_; }
    // The edited or added event (0 for one filed under a day that is not shown).
    OwEventId EventId() const { return id_; }

private:
    struct Values;
    bool Invalid(Field field, const std::string& message);
    bool ReadNumber(Field field, double& value);
    bool ReadName(Field field, std::string& value);
    bool ReadPosition(double& raHours, double& decDegrees);
    bool ReadDateTime(uint64_t& ticks);
    Result Apply(const Values& values);

    OwEventManager& store_;
    IUiServices& ui_;
    OwEventId id_;
    std::array<std::string, kFieldCount> texts_;
    std::optional<Field> invalid_;
};

}  // namespace orva
