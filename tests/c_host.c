#include "c_host.h"

typedef struct UnknownTable {
    int32_t (*queryInterface)(void* self, const CInterfaceId* iid, void** out);
    int32_t (*addRef)(void* self);
    int32_t (*release)(void* self);
} UnknownTable;

typedef struct FactoryTable {
    UnknownTable unknown;
    int32_t (*createObject)(void* self, const uint16_t* identifier, int32_t kind, void* host, void** out);
    int32_t (*getBuildInfo)(void* self, int32_t* version, int32_t capacity, uint16_t* text);
    int32_t (*createObject2)(void* self, const uint16_t* identifier, int32_t kind, void** out);
} FactoryTable;

typedef struct UserInterface2Table {
    UnknownTable unknown;
    int32_t (*setHost)(void* self, void* host);
    int32_t (*hostCallA)(void* self);
    int32_t (*setPin)(void* self, int32_t pinIndex, int32_t voice, int32_t byteSize, const void* data);
    int32_t (*hostCallB)(void* self);
    int32_t (*hostCallC)(void* self);
    int32_t (*hostCallD)(void* self);
    int32_t (*hostCallE)(void* self);
    int32_t (*notifyPin)(void* self, int32_t pinIndex, int32_t voice);
} UserInterface2Table;

typedef struct LegacyGuiTable {
    UnknownTable unknown;
    int32_t (*legacyCallA)(void* self);
    int32_t (*setPin)(void* self, int32_t pinIndex, int32_t voice, int32_t byteSize, const void* data);
    int32_t (*notifyPin)(void* self, int32_t pinIndex, int32_t voice);
    int32_t (*legacyCallB)(void* self);
    int32_t (*legacyCallC)(void* self);
    int32_t (*legacyCallD)(void* self);
} LegacyGuiTable;

typedef struct LegacyInitializationTable {
    UnknownTable unknown;
    int32_t (*setHost)(void* self, void* host);
} LegacyInitializationTable;

typedef struct GraphicsWinGdiTable {
    UnknownTable unknown;
    int32_t (*measure)(void* self, CMpSize proposed, CMpSize* desired);
    int32_t (*arrange)(void* self, const CMpRect* rect);
    int32_t (*openWindow)(void* self, void* parentWindow, void** window);
    int32_t (*closeWindow)(void* self);
} GraphicsWinGdiTable;

typedef struct GraphicsCompositedTable {
    UnknownTable unknown;
    int32_t (*callA)(void* self);
    int32_t (*measure)(void* self, CMpSize proposed, CMpSize* desired);
    int32_t (*arrange)(void* self, const CMpRect* rect);
    int32_t (*callB)(void* self);
    int32_t (*callC)(void* self);
    int32_t (*callD)(void* self);
    int32_t (*callE)(void* self);
    int32_t (*callF)(void* self);
} GraphicsCompositedTable;

/* Every interface pointer points at a pointer to its table. */
#define TABLE(type, object) (*(const type* const*)(object))

int32_t c_queryInterface(void* object, const CInterfaceId* iid, void** out) {
    return TABLE(UnknownTable, object)->queryInterface(object, iid, out);
}
int32_t c_addRef(void* object) { return TABLE(UnknownTable, object)->addRef(object); }
int32_t c_release(void* object) { return TABLE(UnknownTable, object)->release(object); }

int32_t c_factory_createObject(void* factory, const uint16_t* identifier, int32_t kind, void* host, void** out) {
    return TABLE(FactoryTable, factory)->createObject(factory, identifier, kind, host, out);
}
int32_t c_factory_getBuildInfo(void* factory, int32_t* version, int32_t capacity, uint16_t* text) {
    return TABLE(FactoryTable, factory)->getBuildInfo(factory, version, capacity, text);
}
int32_t c_factory_createObject2(void* factory, const uint16_t* identifier, int32_t kind, void** out) {
    return TABLE(FactoryTable, factory)->createObject2(factory, identifier, kind, out);
}

int32_t c_gui2_setHost(void* object, void* host) { return TABLE(UserInterface2Table, object)->setHost(object, host); }
int32_t c_gui2_hostCallA(void* object) { return TABLE(UserInterface2Table, object)->hostCallA(object); }
int32_t c_gui2_setPin(void* object, int32_t pinIndex, int32_t voice, int32_t byteSize, const void* data) {
    return TABLE(UserInterface2Table, object)->setPin(object, pinIndex, voice, byteSize, data);
}
int32_t c_gui2_hostCallB(void* object) { return TABLE(UserInterface2Table, object)->hostCallB(object); }
int32_t c_gui2_hostCallC(void* object) { return TABLE(UserInterface2Table, object)->hostCallC(object); }
int32_t c_gui2_hostCallD(void* object) { return TABLE(UserInterface2Table, object)->hostCallD(object); }
int32_t c_gui2_hostCallE(void* object) { return TABLE(UserInterface2Table, object)->hostCallE(object); }
int32_t c_gui2_notifyPin(void* object, int32_t pinIndex, int32_t voice) {
    return TABLE(UserInterface2Table, object)->notifyPin(object, pinIndex, voice);
}

int32_t c_legacy_legacyCallA(void* object) { return TABLE(LegacyGuiTable, object)->legacyCallA(object); }
int32_t c_legacy_setPin(void* object, int32_t pinIndex, int32_t voice, int32_t byteSize, const void* data) {
    return TABLE(LegacyGuiTable, object)->setPin(object, pinIndex, voice, byteSize, data);
}
int32_t c_legacy_notifyPin(void* object, int32_t pinIndex, int32_t voice) {
    return TABLE(LegacyGuiTable, object)->notifyPin(object, pinIndex, voice);
}
int32_t c_legacy_legacyCallB(void* object) { return TABLE(LegacyGuiTable, object)->legacyCallB(object); }
int32_t c_legacy_legacyCallC(void* object) { return TABLE(LegacyGuiTable, object)->legacyCallC(object); }
int32_t c_legacy_legacyCallD(void* object) { return TABLE(LegacyGuiTable, object)->legacyCallD(object); }

int32_t c_legacyInit_setHost(void* initialization, void* host) {
    return TABLE(LegacyInitializationTable, initialization)->setHost(initialization, host);
}

int32_t c_gdi_measure(void* graphics, CMpSize proposed, CMpSize* desired) {
    return TABLE(GraphicsWinGdiTable, graphics)->measure(graphics, proposed, desired);
}
int32_t c_gdi_arrange(void* graphics, const CMpRect* rect) {
    return TABLE(GraphicsWinGdiTable, graphics)->arrange(graphics, rect);
}
int32_t c_gdi_openWindow(void* graphics, void* parentWindow, void** window) {
    return TABLE(GraphicsWinGdiTable, graphics)->openWindow(graphics, parentWindow, window);
}
int32_t c_gdi_closeWindow(void* graphics) { return TABLE(GraphicsWinGdiTable, graphics)->closeWindow(graphics); }

int32_t c_composited_callA(void* graphics) { return TABLE(GraphicsCompositedTable, graphics)->callA(graphics); }
int32_t c_composited_measure(void* graphics, CMpSize proposed, CMpSize* desired) {
    return TABLE(GraphicsCompositedTable, graphics)->measure(graphics, proposed, desired);
}
int32_t c_composited_arrange(void* graphics, const CMpRect* rect) {
    return TABLE(GraphicsCompositedTable, graphics)->arrange(graphics, rect);
}
int32_t c_composited_callB(void* graphics) { return TABLE(GraphicsCompositedTable, graphics)->callB(graphics); }
int32_t c_composited_callC(void* graphics) { return TABLE(GraphicsCompositedTable, graphics)->callC(graphics); }
int32_t c_composited_callD(void* graphics) { return TABLE(GraphicsCompositedTable, graphics)->callD(graphics); }
int32_t c_composited_callE(void* graphics) { return TABLE(GraphicsCompositedTable, graphics)->callE(graphics); }
int32_t c_composited_callF(void* graphics) { return TABLE(GraphicsCompositedTable, graphics)->callF(graphics); }
