/* A host written in C: it knows each interface only as a table of function
   pointers in slot order, and calls through it. The tests call these
   wrappers on library objects; a slot out of place calls the wrong code. */
#ifndef CORVANE_TESTS_C_HOST_H
#define CORVANE_TESTS_C_HOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CInterfaceId { uint32_t data1; uint16_t data2, data3; uint8_t data4[8]; } CInterfaceId;

/* IMpUnknown, first in every table. */
int32_t c_queryInterface(void* object, const CInterfaceId* iid, void** out);
int32_t c_addRef(void* object);
int32_t c_release(void* object);

/* IMpFactory and IMpFactory2. */
int32_t c_factory_createObject(void* factory, const uint16_t* identifier, int32_t kind, void* host, void** out);
int32_t c_factory_getBuildInfo(void* factory, int32_t* version, int32_t capacity, uint16_t* text);
int32_t c_factory_createObject2(void* factory, const uint16_t* identifier, int32_t kind, void** out);

/* IMpUserInterface2B, the version-2 GUI interface (IMpUserInterface2 is its
   first ten slots). The reserved host calls take no arguments here. */
int32_t c_gui2_setHost(void* object, void* host);
int32_t c_gui2_hostCallA(void* object);
int32_t c_gui2_setPin(void* object, int32_t pinIndex, int32_t voice, int32_t byteSize, const void* data);
int32_t c_gui2_hostCallB(void* object);
int32_t c_gui2_hostCallC(void* object);
int32_t c_gui2_hostCallD(void* object);
int32_t c_gui2_hostCallE(void* object);
int32_t c_gui2_notifyPin(void* object, int32_t pinIndex, int32_t voice);

/* IMpUserInterface, the legacy GUI object's primary table. */
int32_t c_legacy_legacyCallA(void* object);
int32_t c_legacy_setPin(void* object, int32_t pinIndex, int32_t voice, int32_t byteSize, const void* data);
int32_t c_legacy_notifyPin(void* object, int32_t pinIndex, int32_t voice);
int32_t c_legacy_legacyCallB(void* object);
int32_t c_legacy_legacyCallC(void* object);
int32_t c_legacy_legacyCallD(void* object);

/* IMpLegacyInitialization. */
int32_t c_legacyInit_setHost(void* initialization, void* host);

/* Geometry records of the graphics interfaces. */
typedef struct CMpSize { int32_t width, height; } CMpSize;
typedef struct CMpRect { int32_t top, bottom, left, right; } CMpRect;

/* IMpGraphicsWinGdi; window handles as untyped pointers. */
int32_t c_gdi_measure(void* graphics, CMpSize proposed, CMpSize* desired);
int32_t c_gdi_arrange(void* graphics, const CMpRect* rect);
int32_t c_gdi_openWindow(void* graphics, void* parentWindow, void** window);
int32_t c_gdi_closeWindow(void* graphics);

/* IZuGraphicsComposited. */
int32_t c_composited_callA(void* graphics);
int32_t c_composited_measure(void* graphics, CMpSize proposed, CMpSize* desired);
int32_t c_composited_arrange(void* graphics, const CMpRect* rect);
int32_t c_composited_callB(void* graphics);
int32_t c_composited_callC(void* graphics);
int32_t c_composited_callD(void* graphics);
int32_t c_composited_callE(void* graphics);
int32_t c_composited_callF(void* graphics);

#ifdef __cplusplus
}
#endif

#endif
