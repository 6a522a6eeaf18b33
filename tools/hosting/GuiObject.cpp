#include "tools/hosting/GuiObject.h"

#include <utility>

#include "interfaces/InterfaceIds.h"

using namespace gmpi;

namespace {

template <typename View>
View* viewOf(IMpUnknown* object, const InterfaceId& iid) {
    void* out = nullptr;
    if (object->queryInterface(iid, &out) != ResultOk) return nullptr;
    return static_cast<View*>(out);
}

bool answers(IMpUnknown* object, const InterfaceId& iid) {
    IMpUnknown* view = viewOf<IMpUnknown>(object, iid);
    if (view != nullptr) view->release();
    return view != nullptr;
}

}  // namespace

std::string ObjectProfile::describe() const {
    std::string text = family == GuiFamily::Version2 ? "a version-2 object (IMpUserInterface2B)"
                       : family == GuiFamily::Legacy ? "a legacy object (IMpUserInterface)"
                                                     : "an object with no GUI interface (neither IMpUserInterface2B nor IMpUserInterface)";
    if (winGdi) text += " with a GDI window of its own (IMpGraphicsWinGdi)";
    if (composited) text += std::string(winGdi ? " and" : " with") + " composited drawing (IZuGraphicsComposited)";
    return text;
}

ObjectProfile profileOf(IMpUnknown* object) {
    ObjectProfile profile;
    if (object == nullptr) return profile;
    if (answers(object, IID_IMpUserInterface2B)) profile.family = GuiFamily::Version2;
    else if (answers(object, IID_IMpUserInterface)) profile.family = GuiFamily::Legacy;
    profile.legacyInitialization = answers(object, IID_IMpLegacyInitialization);
    profile.winGdi = answers(object, IID_IMpGraphicsWinGdi);
    profile.composited = answers(object, IID_IZuGraphicsComposited);
    return profile;
}

GuiObject::GuiObject(IMpUnknown* created) : object(created) {
    if (object == nullptr) return;
    objectProfile = profileOf(object);
    if (objectProfile.family == GuiFamily::Version2) version2 = viewOf<IMpUserInterface2B>(object, IID_IMpUserInterface2B);
    if (objectProfile.family == GuiFamily::Legacy) legacy = viewOf<IMpUserInterface>(object, IID_IMpUserInterface);
    if (objectProfile.legacyInitialization)
        initialization = viewOf<IMpLegacyInitialization>(object, IID_IMpLegacyInitialization);
    if (objectProfile.winGdi) gdiView = viewOf<IMpGraphicsWinGdi>(object, IID_IMpGraphicsWinGdi);
    if (objectProfile.composited) compositedView = viewOf<IZuGraphicsComposited>(object, IID_IZuGraphicsComposited);
}

GuiObject::GuiObject(GuiObject&& other) noexcept { *this = std::move(other); }

GuiObject& GuiObject::operator=(GuiObject&& other) noexcept {
    if (this == &other) return *this;
    release();
    object = std::exchange(other.object, nullptr);
    objectProfile = other.objectProfile;
    version2 = std::exchange(other.version2, nullptr);
    legacy = std::exchange(other.legacy, nullptr);
    initialization = std::exchange(other.initialization, nullptr);
    gdiView = std::exchange(other.gdiView, nullptr);
    compositedView = std::exchange(other.compositedView, nullptr);
    return *this;
}

GuiObject::~GuiObject() { release(); }

std::int32_t GuiObject::setHost(IMpUnknown* host) {
    if (version2 != nullptr) return version2->setHost(host);
    if (initialization != nullptr) return initialization->setHost(host);
    return ResultNoInterface;
}

std::int32_t GuiObject::setPin(std::int32_t pin, std::int32_t voice, std::int32_t byteSize, const void* data) {
    if (version2 != nullptr) return version2->setPin(pin, voice, byteSize, data);
    if (legacy != nullptr) return legacy->setPin(pin, voice, byteSize, data);
    return ResultFail;
}

std::int32_t GuiObject::notifyPin(std::int32_t pin, std::int32_t voice) {
    if (version2 != nullptr) return version2->notifyPin(pin, voice);
    if (legacy != nullptr) return legacy->notifyPin(pin, voice);
    return ResultFail;
}

std::int32_t GuiObject::release() {
    IMpUnknown* const views[] = {std::exchange(version2, nullptr), std::exchange(legacy, nullptr),
                                 std::exchange(initialization, nullptr), std::exchange(gdiView, nullptr),
                                 std::exchange(compositedView, nullptr)};
    IMpUnknown* const last = std::exchange(object, nullptr);
    for (IMpUnknown* view : views)
        if (view != nullptr) view->release();
    return last != nullptr ? last->release() : 0;
}
