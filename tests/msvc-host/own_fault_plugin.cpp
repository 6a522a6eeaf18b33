// A plug-in built as Microsoft's compiler builds one (clang-cl, lld-link,
// Wine's runtime, no C++ runtime of its own), handling faults of its own with
// the compiler's __try/__except, for the harness's tests. One version-2 GUI
// class, "Test-Own-Faults", with three float input pins; setting one calls a
// read of a page that is reserved and never committed, under a __try scope:
//   pin 0  filtered by an expression on the exception code (a filter funclet): taken
//   pin 1  filtered by the constant EXCEPTION_EXECUTE_HANDLER, inside an inner scope
//          whose filter declines: taken by the outer scope
//   pin 2  filtered by a function that declines: the fault goes on to the host
// setPin answers ResultOk when the read faulted and was taken, ResultFail when
// it did not fault. (Wine's headers lack the GetExceptionCode spellings: the
// compiler's own names are used.) The entry point is ownFaultPluginStart.
#include <windows.h>

#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUserInterface2.h"
#include "interfaces/InterfaceIds.h"
#include "tests/plugins/StaticFactory.h"

using namespace gmpi;

// The compiler marks a program that uses floating point by this symbol.
extern "C" const int _fltused = 0;

// No <new> here: the placement form the objects are made with.
inline void* operator new(size_t, void* where) noexcept { return where; }

extern "C" BOOL WINAPI ownFaultPluginStart(HINSTANCE, DWORD, void*) { return TRUE; }

namespace {

/// A page reserved and never committed: reading it faults. (Not a static
/// initialised once: no thread-safe static guard without the C++ runtime.)
const volatile int* unmappedPage() {
    static const volatile int* page = nullptr;
    if (page == nullptr) page = static_cast<const volatile int*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS));
    return page;
}

LONG declines(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// The compiler takes only calls in a __try body as raising (it has no
// asynchronous exceptions): the read is a call it cannot see into, so the
// fault happens one frame below the scope.
__declspec(noinline) int readOnce(const volatile int* where) { return *where; }
int (*volatile read)(const volatile int*) = readOnce;

/// True when reading the unmapped page faulted and a scope here took it.
bool readUnmappedPage(std::int32_t pinIndex) {
    bool faulted = true;
    if (pinIndex == 0) {
        __try {
            read(unmappedPage());
            faulted = false;
        } __except (_exception_code() == EXCEPTION_ACCESS_VIOLATION ? EXCEPTION_EXECUTE_HANDLER : EXCEPTION_CONTINUE_SEARCH) {
        }
    } else if (pinIndex == 1) {
        __try {
            __try {
                read(unmappedPage());
                faulted = false;
            } __except (declines(static_cast<EXCEPTION_POINTERS*>(_exception_info()))) {
            }
        } __except (EXCEPTION_EXECUTE_HANDLER) {
        }
    } else {
        __try {
            read(unmappedPage());
            faulted = false;
        } __except (declines(static_cast<EXCEPTION_POINTERS*>(_exception_info()))) {
        }
    }
    return faulted;
}

class ProbeObject final : public IMpUserInterface2B {
public:
    std::int32_t queryInterface(const InterfaceId& iid, void** out) override {
        if (out == nullptr) return ResultFail;
        const bool known = iid == IID_IMpUnknown || iid == IID_IMpUserInterface2 || iid == IID_IMpUserInterface2B;
        *out = known ? this : nullptr;
        if (known) addRef();
        return known ? ResultOk : ResultNoInterface;
    }
    std::int32_t addRef() override { return InterlockedIncrement(&count); }
    std::int32_t release() override {
        const LONG left = InterlockedDecrement(&count);
        if (left == 0) {
            if (host != nullptr) host->release();
            HeapFree(GetProcessHeap(), 0, this);
        }
        return left;
    }
    std::int32_t setHost(IMpUnknown* hostObject) override {
        if (hostObject == nullptr) return ResultFail;
        if (host != nullptr) host->release();
        void* out = nullptr;
        hostObject->queryInterface(IID_IGuiHost2, &out);
        host = static_cast<IMpUnknown*>(out);
        return host != nullptr ? ResultOk : ResultNoInterface;
    }
    std::int32_t hostCallA() override { return ResultOk; }
    std::int32_t setPin(std::int32_t pinIndex, std::int32_t, std::int32_t byteSize, const void* data) override {
        if (pinIndex < 0 || pinIndex > 2 || byteSize != 4 || data == nullptr) return ResultFail;
        return readUnmappedPage(pinIndex) ? ResultOk : ResultFail;
    }
    std::int32_t hostCallB() override { return ResultFail; }
    std::int32_t hostCallC() override { return ResultFail; }
    std::int32_t hostCallD() override { return ResultFail; }
    std::int32_t hostCallE() override { return ResultFail; }
    std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t) override {
        return pinIndex >= 0 && pinIndex <= 2 ? ResultOk : ResultFail;
    }

private:
    LONG count = 1;
    IMpUnknown* host = nullptr;
};

bool isOurClass(const char16_t* identifier) {
    const char16_t name[] = u"Test-Own-Faults";
    if (identifier == nullptr) return false;
    for (int at = 0;; ++at) {
        if (identifier[at] != name[at]) return false;
        if (name[at] == u'\0') return true;
    }
}

class ProbeFactory final : public StaticFactory {
public:
    std::int32_t createObject2(const char16_t* identifier, std::int32_t kind, void** out) override {
        if (out == nullptr) return ResultFail;
        *out = nullptr;
        if (kind != 2 || !isOurClass(identifier)) return ResultNoInterface;
        void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(ProbeObject));
        if (memory == nullptr) return ResultFail;
        *out = static_cast<IMpUserInterface2B*>(new (memory) ProbeObject);
        return ResultOk;
    }
};

constinit ProbeFactory factory;

}  // namespace

extern "C" __declspec(dllexport) std::int32_t MP_GetFactory(void** out) {
    if (out == nullptr) return ResultFail;
    *out = static_cast<IMpFactory2*>(&factory);
    return ResultOk;
}
