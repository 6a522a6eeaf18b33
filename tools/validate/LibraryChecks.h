// The checks of the library itself, whatever its objects are: its export
// table, its factory's identity and counting, and creation of classes it
// does not have. Listed by contractChecks().
#pragma once

#include "tools/validate/ContractChecks.h"

void exportTable(HostedPlugin& plugin, CheckReport& report);
void factoryIdentity(HostedPlugin& plugin, CheckReport& report);
void factoryCounting(HostedPlugin& plugin, CheckReport& report);
void createUnknownClass(HostedPlugin& plugin, CheckReport& report);
