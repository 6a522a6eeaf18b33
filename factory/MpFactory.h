// The library's plug-in factory: one per process, created by the first class
// registration during static initialisation and destroyed at unload. The host
// reaches it through MP_GetFactory; classes enter it through registerClass.
#pragma once

#include <cstdint>
#include <map>

#include "factory/ClassKey.h"
#include "interfaces/IMpFactory.h"

/// Builds a new object and returns it with one reference, which goes to the
/// factory's caller. May throw; the factory answers ResultFail then.
using CreationFunction = gmpi::IMpUnknown* (*)();

class MpFactory final : public gmpi::IMpFactory2 {
public:
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    /// The factory is not counted: both answer 1 and change nothing.
    std::int32_t addRef() override;
    std::int32_t release() override;
    std::int32_t createObject(const char16_t* identifier, std::int32_t kind, gmpi::IMpUnknown* host,
                              void** out) override;
    std::int32_t getBuildInfo(std::int32_t* version, std::int32_t capacity, char16_t* text) override;
    std::int32_t createObject2(const char16_t* identifier, std::int32_t kind, void** out) override;
    virtual ~MpFactory() = default;

    /// Files the class under (kind, identifier) unless the key is taken; the
    /// first registration stays in force. Load time only.
    void add(std::int32_t kind, const char16_t* identifier, CreationFunction creationFunction);

private:
    std::int32_t create(const char16_t* identifier, std::int32_t kind, gmpi::IMpUnknown* host, bool attachLegacy,
                        void** out);

    std::map<ClassKey, CreationFunction> registry;
};

/// The process's one factory, created empty on first use; destroyed at unload.
MpFactory& getFactory();

/// Enters a class into the factory while the library initialises. Never
/// throws: a class that cannot be filed (out of memory) stays unregistered.
void registerClass(std::int32_t kind, const char16_t* identifier, CreationFunction creationFunction);
