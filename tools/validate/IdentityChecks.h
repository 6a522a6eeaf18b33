// The object checks of identity and counting, one set of code for every
// object family: what the object and each view it hands out answer, what
// they refuse, and how each query, addRef and release moves the one count.
// Listed by contractChecks().
#pragma once

#include "tools/validate/ContractChecks.h"

void refusesUnknownIdentifiers(HostedPlugin& plugin, CheckReport& report);
void comIUnknownRefused(HostedPlugin& plugin, CheckReport& report);
void objectIdentity(HostedPlugin& plugin, CheckReport& report);
void objectCounting(HostedPlugin& plugin, CheckReport& report);
