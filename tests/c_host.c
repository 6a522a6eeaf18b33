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
