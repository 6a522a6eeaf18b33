// The validator's checks of objects that draw: those with a GDI window of
// their own (IMpGraphicsWinGdi), each in a real top-level parent window, and
// those the host composites (IZuGraphicsComposited). Listed after the
// object checks by contractChecks().
#pragma once

#include <vector>

#include "tools/validate/ContractChecks.h"

const std::vector<ContractCheck>& windowChecks();
