#include "gui/ZuGuiWindowsGfxBase.h"

#include "interfaces/InterfaceIds.h"

using namespace gmpi;

std::int32_t ZuGuiWindowsGfxBase::onSetHost(IMpUnknown* hostObject) {
    MpGuiWindowsGfxBase::onSetHost(hostObject);
    return queryHost(hostObject, IID_IGraphicsHostWinGdiExtra, extraHost);
}
