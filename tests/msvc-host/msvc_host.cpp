// A host built as the host this library serves is: Microsoft's C++ ABI
// (clang-cl, /EHsc), Microsoft's exception handling, no MinGW runtime. It
// loads the built DLLs and drives them through the interfaces alone, which it
// includes unchanged (so it is also the proof that they compile in Microsoft
// mode). It checks:
//   - a version-2 CorvaneGui holding three float slots, given the text
//     "1,2,3": the floats on pins 1 to 3, the normalised text on pin 0, and
//     the text once more on the timer;
//   - an int thrown by the host's own sendPinValue reaching the host's
//     catch (int), the object counted as before and still working;
//   - legacy objects of the framework's graphics bases through the factory's
//     createObject, with a complete host and with hosts lacking an
//     interface: ResultFail, the object handed out, nothing escaping;
//   - the legacy setHost called by the host itself with such a host: the text
//     "host Interfaces not supported" caught as const char*, char*, void* and
//     by catch (...), passed over by catch (int), and a __try/__except that
//     ends normally; after each, the count as before, and a later setHost
//     with a complete host answers ResultOk and the object sends.
// Prints one line per check and ends with the number of failures as status.
//   msvc_host.exe   (the DLLs named below beside it)
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/IMpUserInterface2.h"
#include "interfaces/IZuGraphicsComposited.h"
#include "interfaces/InterfaceIds.h"
#include "interfaces/MpGetFactory.h"

using namespace gmpi;

namespace {

int failures = 0;

void check(bool passed, const char* what) {
    printf("%s  %s\n", passed ? "ok  " : "FAIL", what);
    if (!passed) ++failures;
}

constexpr const char* refusal = "host Interfaces not supported";
constexpr DWORD MicrosoftCxxException = 0xE06D7363;

std::int32_t unitsOf(const char16_t* text) {
    std::int32_t units = 0;
    while (text[units] != u'\0') ++units;
    return units;
}

/// What a host offers when an object asks.
struct Offers {
    bool guiHost2 = true;
    bool guiHost = true;
    bool composited = true;
    bool winGdi = true;
};

/// One value the object sent: pin, bytes (a float or up to 32 text units).
struct Sent {
    std::int32_t pin = 0;
    std::int32_t size = 0;
    unsigned char bytes[64] = {};
};

/// The host object: every host interface, each answered only when offered;
/// records what the object sends. Lives on the stack; counts nothing.
class Host final : public IGuiHost2, public IGuiHost, public IGraphicsHostComposited, public IGraphicsHostWinGdi {
public:
    explicit Host(Offers offered) : offers(offered) {}

    std::int32_t queryInterface(const InterfaceId& iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IMpUnknown) *out = static_cast<IGuiHost2*>(this);
        else if (iid == IID_IGuiHost2 && offers.guiHost2) *out = static_cast<IGuiHost2*>(this);
        else if (iid == IID_IGuiHost && offers.guiHost) *out = static_cast<IGuiHost*>(this);
        else if (iid == IID_IGraphicsHostComposited && offers.composited) *out = static_cast<IGraphicsHostComposited*>(this);
        else if (iid == IID_IGraphicsHostWinGdi && offers.winGdi) *out = static_cast<IGraphicsHostWinGdi*>(this);
        return *out != nullptr ? ResultOk : ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }

    // Both host interfaces' sendPinValue.
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data, std::int32_t) override {
        if (throwOnSend) {
            throwOnSend = false;
            throw 7;  // the host's own exception, for its own handler
        }
        if (count < MaxSent && byteSize >= 0 && byteSize <= static_cast<std::int32_t>(sizeof sent[0].bytes)) {
            sent[count].pin = pinIndex;
            sent[count].size = byteSize;
            memcpy(sent[count].bytes, data, static_cast<size_t>(byteSize));
        }
        ++count;
        return ResultOk;
    }

    std::int32_t invalidate(const MpRect*) override { return ResultOk; }
    std::int32_t getCapture(std::int32_t* hasCapture) override {
        *hasCapture = captured ? 1 : 0;
        return ResultOk;
    }
    std::int32_t setCapture() override {
        captured = true;
        return ResultOk;
    }
    std::int32_t releaseCapture() override {
        captured = false;
        return ResultOk;
    }

    IMpUnknown* unknown() { return static_cast<IGuiHost2*>(this); }

    bool sentFloat(int index, std::int32_t pin, float value) const {
        return index < count && sent[index].pin == pin && sent[index].size == 4 &&
               memcmp(sent[index].bytes, &value, 4) == 0;
    }
    bool sentText(int index, std::int32_t pin, const char16_t* text) const {
        const auto units = static_cast<std::int32_t>(sizeof(char16_t)) * unitsOf(text);
        return index < count && sent[index].pin == pin && sent[index].size == units &&
               memcmp(sent[index].bytes, text, static_cast<size_t>(units)) == 0;
    }

    static constexpr int MaxSent = 32;
    Sent sent[MaxSent];
    int count = 0;
    bool throwOnSend = false;

private:
    Offers offers;
    bool captured = false;
};

std::int32_t countOf(IMpUnknown* object) {
    object->addRef();
    return object->release();
}

/// The factory of a loaded library, or null.
IMpFactory2* factoryOf(const wchar_t* file) {
    HMODULE library = LoadLibraryW(file);
    if (library == nullptr) return nullptr;
    auto entry = reinterpret_cast<MpGetFactoryFunction>(reinterpret_cast<void*>(GetProcAddress(library, "MP_GetFactory")));
    void* unknown = nullptr;
    if (entry == nullptr || entry(&unknown) != ResultOk || unknown == nullptr) return nullptr;
    void* factory = nullptr;
    static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &factory);
    return static_cast<IMpFactory2*>(factory);
}

/// Lets the thread's timers fire for about `milliseconds`.
void pumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(1);
    }
}

IMpUserInterface2B* createVersion2(IMpFactory2& factory, Host& host) {
    void* created = nullptr;
    if (factory.createObject2(u"Orvex-Corvane", 2, &created) != ResultOk || created == nullptr) return nullptr;
    void* gui = nullptr;
    static_cast<IMpUnknown*>(created)->queryInterface(IID_IMpUserInterface2B, &gui);
    static_cast<IMpUnknown*>(created)->release();
    if (gui == nullptr) return nullptr;
    static_cast<IMpUserInterface2B*>(gui)->setHost(host.unknown());
    return static_cast<IMpUserInterface2B*>(gui);
}

void sendText(IMpUserInterface2B& gui, const char16_t* text) {
    gui.setPin(0, 0, static_cast<std::int32_t>(sizeof(char16_t)) * unitsOf(text), text);
    gui.notifyPin(0, 0);
}

void version2Sends(IMpFactory2& factory) {
    Host host({});
    IMpUserInterface2B* gui = createVersion2(factory, host);
    check(gui != nullptr, "version 2: createObject2 and setHost give a CorvaneGui");
    if (gui == nullptr) return;
    const float zero = 0.0f;
    gui->setPin(3, 0, 4, &zero);
    gui->notifyPin(3, 0);
    host.count = 0;
    sendText(*gui, u"1,2,3");
    check(host.count == 4 && host.sentFloat(0, 1, 1.0f) && host.sentFloat(1, 2, 2.0f) && host.sentFloat(2, 3, 3.0f) &&
              host.sentText(3, 0, u"1.0000,2.0000,3.0000"),
          "version 2: the text 1,2,3 sends 1, 2 and 3 on pins 1 to 3, then 1.0000,2.0000,3.0000 on pin 0");
    pumpMessages(100);
    check(host.count == 5 && host.sentText(4, 0, u"1.0000,2.0000,3.0000"), "version 2: the timer sends the text again");

    host.throwOnSend = true;
    bool caught = false;
    try {
        sendText(*gui, u"4,5,6");
    } catch (int thrown) {
        caught = thrown == 7;
    }
    check(caught, "version 2: an int thrown by the host's sendPinValue reaches the host's catch (int)");
    check(countOf(gui) == 1, "version 2: after the host's exception the object's count is as before (1)");
    host.count = 0;
    const float seven = 7.25f;
    // A float pin's value rewrites the text at once; the change the exception
    // left stopped after the first item's send (slot 3 still holds 3).
    gui->setPin(2, 0, 4, &seven);
    check(host.count == 1 && host.sentText(0, 0, u"4.0000,7.2500,3.0000"),
          "version 2: after the host's exception the object still works (a value on pin 2 sends 4.0000,7.2500,3.0000)");
    pumpMessages(30);
    check(gui->release() == 0, "version 2: the host's release ends the object");
}

void legacyThroughFactory(IMpFactory2& factory, const char16_t* identifier, const char* family, Offers lacking,
                          const char* what) {
    char line[200];
    Host complete({});
    void* created = nullptr;
    std::int32_t answer = ResultOk;
    bool escaped = false;
    try {
        answer = factory.createObject(identifier, 2, complete.unknown(), &created);
    } catch (...) {
        escaped = true;
    }
    snprintf(line, sizeof line, "%s: createObject with a complete host answers ResultOk", family);
    check(!escaped && answer == ResultOk && created != nullptr, line);
    if (created != nullptr) static_cast<IMpUnknown*>(created)->release();

    Host host(lacking);
    created = nullptr;
    try {
        answer = factory.createObject(identifier, 2, host.unknown(), &created);
    } catch (...) {
        escaped = true;
    }
    snprintf(line, sizeof line, "%s: createObject with %s answers ResultFail, nothing escapes", family, what);
    check(!escaped && answer == ResultFail, line);
    snprintf(line, sizeof line, "%s: that object is handed out and its one release ends it", family);
    check(created != nullptr && static_cast<IMpUnknown*>(created)->release() == 0, line);
}

/// How the host calls setHost and catches what it throws.
enum class Catch { ConstChar, Char, Void, Any, IntThenConstChar, Seh };

struct Refused {
    bool caught = false;
    bool textRight = false;
};

Refused callSetHost(IMpLegacyInitialization& init, IMpUnknown* host, Catch how) {
    Refused refused;
    switch (how) {
    case Catch::ConstChar:
        try {
            init.setHost(host);
        } catch (const char* text) {
            refused = {true, strcmp(text, refusal) == 0};
        }
        break;
    case Catch::Char:
        try {
            init.setHost(host);
        } catch (char* text) {
            refused = {true, strcmp(text, refusal) == 0};
        }
        break;
    case Catch::Void:
        try {
            init.setHost(host);
        } catch (void* text) {
            refused = {true, strcmp(static_cast<const char*>(text), refusal) == 0};
        }
        break;
    case Catch::Any:
        try {
            init.setHost(host);
        } catch (...) {
            refused = {true, true};
        }
        break;
    case Catch::IntThenConstChar:
        try {
            try {
                init.setHost(host);
            } catch (int) {
                return {};
            }
        } catch (const char* text) {
            refused = {true, strcmp(text, refusal) == 0};
        }
        break;
    case Catch::Seh:
        break;
    }
    return refused;
}

DWORD sehCode = 0;

int sehFilter(DWORD code) {
    sehCode = code;
    return EXCEPTION_EXECUTE_HANDLER;
}

/// setHost inside __try/__except: true when the handler ran for Microsoft's
/// C++ exception code and the function ended normally.
bool setHostUnderSeh(IMpLegacyInitialization& init, IMpUnknown* host) {
    sehCode = 0;
    bool handled = false;
    __try {
        init.setHost(host);
    } __except (sehFilter(_exception_code())) {
        handled = true;
    }
    return handled && sehCode == MicrosoftCxxException;
}

/// `identifier` in `factory`, a legacy object of a graphics base, attached by
/// the host itself through its IMpLegacyInitialization view.
void legacyDirectSetHost(IMpFactory2& factory, const char16_t* identifier, const char* family, Offers lacking,
                         const char* what) {
    char line[240];
    void* created = nullptr;
    factory.createObject2(identifier, 2, &created);  // no host yet
    snprintf(line, sizeof line, "%s: createObject2 gives the object unattached", family);
    check(created != nullptr, line);
    if (created == nullptr) return;
    auto* object = static_cast<IMpUnknown*>(created);
    void* view = nullptr;
    object->queryInterface(IID_IMpLegacyInitialization, &view);
    object->release();  // the view's reference is the host's one
    auto* init = static_cast<IMpLegacyInitialization*>(view);
    const std::int32_t before = countOf(init);

    Host host(lacking);
    const struct {
        Catch how;
        const char* name;
    } ways[] = {{Catch::ConstChar, "catch (const char*) takes the text"},
                {Catch::Char, "catch (char*) takes the text"},
                {Catch::Void, "catch (void*) takes the text"},
                {Catch::Any, "catch (...) takes it"},
                {Catch::IntThenConstChar, "catch (int) passes it on to an outer catch (const char*)"}};
    for (const auto& way : ways) {
        const Refused refused = callSetHost(*init, host.unknown(), way.how);
        snprintf(line, sizeof line, "%s: setHost with %s: %s, text \"%s\"", family, what, way.name, refusal);
        check(refused.caught && refused.textRight, line);
        snprintf(line, sizeof line, "%s: after it the count is as before (%d)", family, static_cast<int>(before));
        check(countOf(init) == before, line);
    }
    snprintf(line, sizeof line, "%s: setHost with %s inside __try/__except: the handler runs for 0xE06D7363, ends normally",
             family, what);
    check(setHostUnderSeh(*init, host.unknown()), line);
    check(countOf(init) == before, "  and the count is as before");
    const Refused noHost = callSetHost(*init, nullptr, Catch::ConstChar);
    snprintf(line, sizeof line, "%s: setHost(null) throws the text too", family);
    check(noHost.caught && noHost.textRight, line);

    Host complete({});
    std::int32_t attached = ResultFail;
    try {
        attached = init->setHost(complete.unknown());
    } catch (...) {
    }
    snprintf(line, sizeof line, "%s: then setHost with a complete host answers ResultOk", family);
    check(attached == ResultOk, line);
    void* composited = nullptr;
    if (init->queryInterface(IID_IZuGraphicsComposited, &composited) == ResultOk) {
        // A press takes the capture, a release gives it back and sends the level.
        auto* gfx = static_cast<IZuGraphicsComposited*>(composited);
        gfx->compositedCallC();
        gfx->compositedCallD();
        check(complete.count == 1 && complete.sentFloat(0, 0, 0.125f), "  and the object sends through IGuiHost (level 0.125)");
        gfx->release();
    }
    snprintf(line, sizeof line, "%s: the host's release ends the object", family);
    check(init->release() == 0, line);
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    IMpFactory2* corvane = factoryOf(CORVANE_DLL);
    check(corvane != nullptr, "corvane.dll loads and gives its factory");
    if (corvane != nullptr) version2Sends(*corvane);

    Offers withoutGuiHost;
    withoutGuiHost.guiHost = false;
    Offers withoutComposited;
    withoutComposited.composited = false;
    Offers withoutGdi;
    withoutGdi.winGdi = false;

    IMpFactory2* composited = factoryOf(COMPOSITED_DLL);
    check(composited != nullptr, "the composited test plug-in loads");
    if (composited != nullptr) {
        legacyThroughFactory(*composited, u"Test-Composited", "composited base", withoutGuiHost, "a host without IGuiHost");
        legacyThroughFactory(*composited, u"Test-Composited", "composited base", withoutComposited,
                             "a host without IGraphicsHostComposited");
        legacyDirectSetHost(*composited, u"Test-Composited", "composited base", withoutGuiHost, "a host without IGuiHost");
        legacyDirectSetHost(*composited, u"Test-Composited", "composited base", withoutComposited,
                            "a host without IGraphicsHostComposited");
    }
    IMpFactory2* paint = factoryOf(PAINT_DLL);
    check(paint != nullptr, "the GDI test plug-in loads");
    if (paint != nullptr) {
        legacyThroughFactory(*paint, u"Test-Paint", "GDI base", withoutGdi, "a host without IGraphicsHostWinGdi");
        legacyDirectSetHost(*paint, u"Test-Paint", "GDI base", withoutGdi, "a host without IGraphicsHostWinGdi");
    }
    printf("%d failed\n", failures);
    return failures;
}
