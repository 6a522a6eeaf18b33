#include "gui/ZuGuiWindowsGfxBase.h"

#include "interfaces/InterfaceIds.h"

using namespace gmpi;

std::int32_t ZuGuiWindowsGfxBase::setHost(IMpUnknown* hostObject) {
    MpGuiWindowsGfxBase::setHost(hostObject);
    return queryHost(hostObject, IID_IGraphicsHostWinGdiExtra, extraHost);
}
