#pragma once
// Makes TelescopeFacade drivers: the mounts an INDI server offers.
//
// Threads: the telescope worker's thread.

#include "telescope/ITelescopeDriver.h"

namespace orva {

class TelescopeDriverFactory final : public ITelescopeDriverFactory {
public:
    int32_t Create(const std::string& programId, std::unique_ptr<ITelescopeDriver>& driver) override;
};

}  // namespace orva
