#include "events/OccultationDetailsMoreModel.h"

#include "common/IUiServices.h"
#include "equipment/EquipmentManager.h"

#include <algorithm>

namespace orva {
namespace {

const std::array<std::string OwEvent::*, 4> kFields = {&OwEvent::RecordingObservingSite, &OwEvent::RecordingObserver,
                                                 &OwEvent::RecordingInstrument, &OwEvent::RecordingMount};

}  // namespace

OccultationDetailsMoreModel::OccultationDetailsMoreModel(const OwEvent& event, const EquipmentLists& lists)
    : comment1(event.RecordingComment1), comment2(event.RecordingComment2) {
    const std::array<const EquipmentManager*, 4> managers = {&lists.sites, &lists.observers, &lists.instruments,
                                                             &lists.mounts};
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t k = 0; k < managers[i]->Count(); ++k) names_[i].push_back(managers[i]->At(k).name);
        const auto it = std::find(names_[i].begin(), names_[i].end(), event.*kFields[i]);
        selected_[i] = it == names_[i].end() ? -1 : static_cast<int>(it - names_[i].begin());
    }
}

void OccultationDetailsMoreModel::Select(List list, int item) {
    const std::size_t i = Index(list);
    if (item >= -1 && item < static_cast<int>(names_[i].size())) selected_[i] = item;
}

bool OccultationDetailsMoreModel::SomeMissing() const {
    return std::any_of(selected_.begin(), selected_.end(), [](int s) { return s < 0; });
}

void OccultationDetailsMoreModel::WarnIfMissing(IUiServices& ui) const {
    if (SomeMissing()) ui.ShowMessage("Warning", kMissingText, MessageIcon::Warning);
}

EventChange OccultationDetailsMoreModel::Apply(OwEventManager& store, OwEventId id) const {
    return store.UpdateEvent(id, [this](OwEvent& e) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (selected_[i] >= 0) e.*kFields[i] = names_[i][static_cast<std::size_t>(selected_[i])];
        }
        e.RecordingComment1 = comment1;
        e.RecordingComment2 = comment2;
    });
}

}  // namespace orva
