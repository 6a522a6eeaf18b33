// The object checks of pin traffic, one set of code for every object
// family (setPin and notifyPin through IMpUserInterface2B or
// IMpUserInterface): undescribed pins refused, values sent only on
// described output pins and with their pin's bytes, described pins
// answered, the locale left alone, nothing sent before a host is set.
// Listed by contractChecks().
#pragma once

#include "tools/validate/ContractChecks.h"

void unregisteredPins(HostedPlugin& plugin, CheckReport& report);
void pinDescriptionConsistent(HostedPlugin& plugin, CheckReport& report);
void describedPinsAnswered(HostedPlugin& plugin, CheckReport& report);
void describedTypes(HostedPlugin& plugin, CheckReport& report);
void localeUnchanged(HostedPlugin& plugin, CheckReport& report);
void noSendBeforeSetHost(HostedPlugin& plugin, CheckReport& report);
