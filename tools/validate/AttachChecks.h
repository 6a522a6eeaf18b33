// The object checks of attaching a host, one per family since the families
// attach differently: a version-2 object by its own setHost (IGuiHost2), a
// legacy one by the factory's createObject, which calls its
// IMpLegacyInitialization::setHost (IGuiHost and the graphics host
// interfaces). Listed by contractChecks().
#pragma once

#include "tools/validate/ContractChecks.h"

void setHost(HostedPlugin& plugin, CheckReport& report);
void legacySetHost(HostedPlugin& plugin, CheckReport& report);
