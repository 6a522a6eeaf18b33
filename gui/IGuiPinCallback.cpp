#include "gui/IGuiPinCallback.h"

template class IGuiPinCallback<gmpi::IMpUserInterface2>;
template class IGuiPinCallback<gmpi::IMpUserInterface>;
