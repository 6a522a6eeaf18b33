// The validator's checks of objects with a GDI window of their own
// (IMpGraphicsWinGdi), each in a real top-level frame window that the check
// makes: opening, painting, the mouse, closing, many rounds, and a release
// with the window open. In a build without windows each says so as a skip.
// Listed by windowChecks().
#pragma once

#include "tools/validate/ContractChecks.h"

void gdiWindowOpen(HostedPlugin& plugin, CheckReport& report);
void gdiWindowPaint(HostedPlugin& plugin, CheckReport& report);
void gdiWindowMouse(HostedPlugin& plugin, CheckReport& report);
void gdiWindowClose(HostedPlugin& plugin, CheckReport& report);
void gdiWindowRounds(HostedPlugin& plugin, CheckReport& report);
void gdiReleaseWithWindowOpen(HostedPlugin& plugin, CheckReport& report);
