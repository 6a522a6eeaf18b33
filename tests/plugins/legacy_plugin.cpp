// A small legacy plug-in for the host harness's tests, written against the
// interfaces alone: one class, "Test-Legacy", a legacy GUI object
// (IMpUserInterface, attached by the factory's createObject through its
// IMpLegacyInitialization view) that the host composites
// (IZuGraphicsComposited view; it asks the host for IGuiHost and
// IGraphicsHostComposited). Text pin 0 is sent back when notified; float
// input pins 1 to 8 are stored. Each view is an object of its own inside
// the GUI object, forwarding identity and counting to it, as a hand-written
// module does. Built several times; each macro plants one fault:
//   LEGACY_PLUGIN_VIEW_OWN_COUNT     the composited view keeps a count of its own, so
//                                    handing it out does not count on the object
//   LEGACY_PLUGIN_VIEW_IDENTITY      the composited view answers IMpUnknown with itself
//   LEGACY_PLUGIN_ACCEPTS_ANY_HOST   setHost takes a host without IGuiHost
//   LEGACY_PLUGIN_THROW_ESCAPES      createObject lets setHost's refusal out as an exception
//   LEGACY_PLUGIN_LEAKS_ON_REFUSAL   setHost holds the object during the call and keeps
//                                    the hold when it refuses; createObject hands the
//                                    object out with ResultFail
//   LEGACY_PLUGIN_SENDS_UNDESCRIBED  notify on a float pin, with a text held, sends the
//                                    float on pin 100000, which is not described
#include <cstdint>
#include <cstring>
#include <string>

#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/IZuGraphicsComposited.h"
#include "interfaces/InterfaceIds.h"
#include "tests/plugins/StaticFactory.h"

#if defined(_WIN32)
#define LEGACY_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define LEGACY_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace gmpi;

namespace {

constexpr std::int32_t lastFloatPin = 8;
char notSupported[] = "host Interfaces not supported";

class LegacyObject;

/// The view through which the factory attaches the object.
class InitializationView final : public IMpLegacyInitialization {
public:
    explicit InitializationView(LegacyObject& object) : owner(object) {}
    std::int32_t queryInterface(const InterfaceId& iid, void** out) override;
    std::int32_t addRef() override;
    std::int32_t release() override;
    std::int32_t setHost(IMpUnknown* host) override;

private:
    LegacyObject& owner;
};

/// The view through which the host sizes, places and draws the object.
class CompositedView final : public IZuGraphicsComposited {
public:
    explicit CompositedView(LegacyObject& object) : owner(object) {}
    std::int32_t queryInterface(const InterfaceId& iid, void** out) override;
    std::int32_t addRef() override;
    std::int32_t release() override;
    std::int32_t compositedCallA() override { return ResultOk; }
    std::int32_t measure(MpSize proposed, MpSize* desired) override {
        if (desired == nullptr) return ResultFail;
        const auto clamp = [](std::int32_t side) { return side < 15 ? 15 : side > 100 ? 100 : side; };
        *desired = {clamp(proposed.width), clamp(proposed.height)};
        return ResultOk;
    }
    std::int32_t arrange(const MpRect* rect) override {
        if (rect == nullptr) return ResultFail;
        placement = *rect;
        return ResultOk;
    }
    std::int32_t compositedCallB() override { return ResultOk; }
    std::int32_t compositedCallC() override { return ResultOk; }
    std::int32_t compositedCallD() override { return ResultOk; }
    std::int32_t compositedCallE() override { return ResultOk; }
    std::int32_t compositedCallF() override { return ResultOk; }

private:
    LegacyObject& owner;
    MpRect placement{0, 0, 0, 0};
#ifdef LEGACY_PLUGIN_VIEW_OWN_COUNT
    std::int32_t count = 1;
#endif
};

class LegacyObject final : public IMpUserInterface {
public:
    LegacyObject() : initialization(*this), composited(*this) {}

    std::int32_t queryInterface(const InterfaceId& iid, void** out) override {
        if (out == nullptr) return ResultFail;
        *out = nullptr;
        IMpUnknown* view = nullptr;
        if (iid == IID_IMpUnknown || iid == IID_IMpUserInterface) view = this;
        else if (iid == IID_IMpLegacyInitialization) view = &initialization;
        else if (iid == IID_IZuGraphicsComposited) view = &composited;
        if (view == nullptr) return ResultNoInterface;
        *out = view;
        view->addRef();
        return ResultOk;
    }
    std::int32_t addRef() override { return ++count; }
    std::int32_t release() override {
        if (--count != 0) return count;
        delete this;
        return 0;
    }
    std::int32_t legacyCallA() override { return ResultOk; }
    std::int32_t setPin(std::int32_t pinIndex, std::int32_t, std::int32_t byteSize, const void* data) override {
        if (byteSize < 0 || (byteSize > 0 && data == nullptr)) return ResultFail;
        if (pinIndex == 0) {
            text.assign(static_cast<const char16_t*>(data), static_cast<std::size_t>(byteSize) / 2);
            return ResultOk;
        }
        if (pinIndex < 1 || pinIndex > lastFloatPin) return ResultFail;
        floats[pinIndex] = 0;
        std::memcpy(&floats[pinIndex], data, byteSize < 4 ? static_cast<std::size_t>(byteSize) : 4);
        return ResultOk;
    }
    std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t) override {
        if (pinIndex == 0) {
            if (host != nullptr) host->sendPinValue(0, static_cast<std::int32_t>(text.size() * 2), text.c_str(), 0);
            return ResultOk;
        }
        if (pinIndex < 1 || pinIndex > lastFloatPin) return ResultFail;
#ifdef LEGACY_PLUGIN_SENDS_UNDESCRIBED
        if (host != nullptr && !text.empty()) host->sendPinValue(100000, sizeof(float), &floats[pinIndex], 0);
#endif
        return ResultOk;
    }
    std::int32_t legacyCallB() override { return ResultOk; }
    std::int32_t legacyCallC() override { return ResultOk; }
    std::int32_t legacyCallD() override { return ResultOk; }

    /// IMpLegacyInitialization::setHost: keeps IGuiHost and
    /// IGraphicsHostComposited, uncounted; throws the legacy refusal when
    /// the host lacks either.
    std::int32_t attach(IMpUnknown* hostObject) {
#ifdef LEGACY_PLUGIN_LEAKS_ON_REFUSAL
        addRef();  // held for the call, and not let go when it throws
#endif
        if (hostObject == nullptr) throw notSupported;
        void* out = nullptr;
        hostObject->queryInterface(IID_IGuiHost, &out);
        host = static_cast<IGuiHost*>(out);
#ifndef LEGACY_PLUGIN_ACCEPTS_ANY_HOST
        if (host == nullptr) throw notSupported;
#endif
        out = nullptr;
        const std::int32_t answer = hostObject->queryInterface(IID_IGraphicsHostComposited, &out);
        compositedHost = static_cast<IGraphicsHostComposited*>(out);
#ifndef LEGACY_PLUGIN_ACCEPTS_ANY_HOST
        if (compositedHost == nullptr) throw notSupported;
#endif
#ifdef LEGACY_PLUGIN_LEAKS_ON_REFUSAL
        release();
#endif
        return answer;
    }

private:
    ~LegacyObject() = default;

    std::int32_t count = 1;
    InitializationView initialization;
    CompositedView composited;
    IGuiHost* host = nullptr;
    IGraphicsHostComposited* compositedHost = nullptr;
    std::u16string text;
    float floats[lastFloatPin + 1] = {};
};

std::int32_t InitializationView::queryInterface(const InterfaceId& iid, void** out) { return owner.queryInterface(iid, out); }
std::int32_t InitializationView::addRef() { return owner.addRef(); }
std::int32_t InitializationView::release() { return owner.release(); }
std::int32_t InitializationView::setHost(IMpUnknown* host) { return owner.attach(host); }

std::int32_t CompositedView::queryInterface(const InterfaceId& iid, void** out) {
#ifdef LEGACY_PLUGIN_VIEW_IDENTITY
    if (out != nullptr && iid == IID_IMpUnknown) {
        *out = this;
        owner.addRef();
        return ResultOk;
    }
#endif
    return owner.queryInterface(iid, out);
}
#ifdef LEGACY_PLUGIN_VIEW_OWN_COUNT
std::int32_t CompositedView::addRef() { return ++count; }
std::int32_t CompositedView::release() { return --count; }
#else
std::int32_t CompositedView::addRef() { return owner.addRef(); }
std::int32_t CompositedView::release() { return owner.release(); }
#endif

class LegacyFactory final : public StaticFactory {
public:
    std::int32_t createObject(const char16_t* identifier, std::int32_t kind, IMpUnknown* host, void** out) override {
        const std::int32_t created = createObject2(identifier, kind, out);
        if (created != ResultOk) return created;
        auto* object = static_cast<LegacyObject*>(*out);
#ifdef LEGACY_PLUGIN_THROW_ESCAPES
        object->attach(host);
#else
        try {
            object->attach(host);
        } catch (...) {
#ifndef LEGACY_PLUGIN_LEAKS_ON_REFUSAL
            // An object that cannot work with this host is not handed out.
            *out = nullptr;
            object->release();
#endif
            return ResultFail;
        }
#endif
        return ResultOk;
    }
    std::int32_t createObject2(const char16_t* identifier, std::int32_t kind, void** out) override {
        if (out == nullptr) return ResultFail;
        *out = nullptr;
        if (identifier == nullptr || kind != 2 || std::u16string(identifier) != u"Test-Legacy") return ResultNoInterface;
        *out = static_cast<IMpUserInterface*>(new LegacyObject);
        return ResultOk;
    }
};

LegacyFactory factory;

}  // namespace

LEGACY_PLUGIN_EXPORT std::int32_t MP_GetFactory(void** out) {
    if (out == nullptr) return ResultFail;
    *out = static_cast<IMpFactory2*>(&factory);
    return ResultOk;
}
