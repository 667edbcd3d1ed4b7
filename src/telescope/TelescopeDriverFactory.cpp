#include "telescope/TelescopeDriverFactory.h"

#include "telescope/TelescopeFacade.h"

namespace orva {

int32_t TelescopeDriverFactory::Create(const std::string& programId, std::unique_ptr<ITelescopeDriver>& driver) {
    return TelescopeFacade::Create(programId, driver);
}

}  // namespace orva
