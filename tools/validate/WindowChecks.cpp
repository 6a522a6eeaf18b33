#include "tools/validate/WindowChecks.h"

const std::vector<ContractCheck>& windowChecks() {
    static const std::vector<ContractCheck> checks{};
    return checks;
}
