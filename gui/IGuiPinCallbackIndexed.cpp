#include "gui/IGuiPinCallbackIndexed.h"

template class IGuiPinCallbackIndexed<gmpi::IMpUserInterface2>;
template class IGuiPinCallbackIndexed<gmpi::IMpUserInterface>;
