// The base of legacy GUI objects: implements the legacy GUI interface, the two
// initialisation interfaces (one setHost serves both) and the owner side of
// GUI pins. The factory attaches an object of it through its
// IMpLegacyInitialization view; derived classes register their pins in their
// constructors and send through sendPinValue. setPin, notifyPin and the
// timer's onTimer run with the object holding itself and no exception
// leaving: derived classes override the hooks and take no hold themselves.
// All calls on the GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "gui/GuiPinOwner.h"
#include "gui/IGuiPinCallback.h"
#include "gui/IGuiPinCallbackIndexed.h"
#include "gui/MpGuiPinBase.h"
#include "gui/ObjectLifetime.h"
#include "gui/TickHolder.h"
#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpUserInterface.h"

class MpGuiBase_base : public gmpi::IMpUserInterface,
                       public IoldSchoolInitialisation,
                       public gmpi::IMpLegacyInitialization,
                       public GuiPinOwner,
                       public TickHolder {  // after the interfaces: their tables stay as they are
public:
    MpGuiBase_base() = default;

    // IMpUnknown, shared by the primary and the IMpLegacyInitialization view.
    /// Answers IMpUnknown and IMpUserInterface with the primary pointer and
    /// IMpLegacyInitialization with that view, adding one reference.
    /// ResultFail when `out` is null.
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    /// The object's one count, for every view: the graphics bases route their
    /// own views' slots here. At 0, release destroys the whole object; inside
    /// an operation that calls the host, the object's own hold keeps it until
    /// the operation ends. The count saturates at INT32_MAX (see ObjectLifetime).
    std::int32_t addRef() override;
    std::int32_t release() override;

    // IMpUserInterface. setPin and notifyPin run onSetPin and onNotifyPin
    // under the object's hold, answering ResultFail instead of letting an
    // exception (allocation, a throwing callback) reach the host.
    std::int32_t legacyCallA() override;
    std::int32_t setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                        const void* data) final;
    std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t voice) final;
    std::int32_t legacyCallB() override;
    std::int32_t legacyCallC() override;
    std::int32_t legacyCallD() override;

    /// IoldSchoolInitialisation and IMpLegacyInitialization alike: runs
    /// onSetHost under the object's hold and answers what it answers. What it
    /// throws (hostInterfacesNotSupported when the host lacks an interface)
    /// reaches the caller after the hold is given back, in the caller's C++
    /// ABI (factory/ThrowToCaller.h).
    std::int32_t setHost(gmpi::IMpUnknown* hostObject) final;

    /// Forwards a pin's value to the host unchanged and answers its result;
    /// ResultFail before setHost has obtained the host, and once the host
    /// has let go of the object (see hostHoldsThis).
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override;

    virtual ~MpGuiBase_base() = default;

protected:
    /// Asks the host for IGuiHost into `host` and answers the host's result.
    /// Throws hostInterfacesNotSupported when the host is null or lacks it.
    /// The graphics bases ask for their host interfaces after it; an override
    /// calls its base's first.
    virtual std::int32_t onSetHost(gmpi::IMpUnknown* hostObject);
    /// A host value for `pinIndex`: GuiPinOwner::setPin on this object's
    /// registry. Override for pins without a pin object.
    virtual std::int32_t onSetPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                  const void* data);
    /// The host's notification for `pinIndex`: GuiPinOwner::notifyPin, which
    /// runs the pin's change callback. Override for pins without a pin object.
    virtual std::int32_t onNotifyPin(std::int32_t pinIndex, std::int32_t voice);

    /// Binds `pin` under `pinIndex` with a holder that runs `callback` (an
    /// operation of the derived object without arguments) on notifications.
    template <class Derived>
    void registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, void (Derived::*callback)());
    /// As above, for an operation that takes the notification's voice.
    template <class Derived>
    void registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, void (Derived::*indexedCallback)(std::int32_t));
    /// Binds `pin` under `pinIndex` without a change callback.
    void registerPin(std::int32_t pinIndex, MpGuiPinBase& pin);

    /// One step of a setHost: asks `hostObject` for `iid`, stores what the
    /// query left in `into`, and throws hostInterfacesNotSupported when that
    /// is null. Answers the host's result code.
    template <class HostInterface>
    static std::int32_t queryHost(gmpi::IMpUnknown* hostObject, const gmpi::InterfaceId& iid, HostInterface*& into);

    /// False once the host has dropped its last reference from inside an
    /// operation in progress: the object goes when that ends, and calls the
    /// host no more meanwhile.
    bool hostHoldsThis() const { return !lifetime.heldOnlyByItself(); }
    /// The primary pointer, as the object's IMpUnknown.
    gmpi::IMpUnknown& self() { return static_cast<gmpi::IMpUserInterface&>(*this); }

    gmpi::IGuiHost* host = nullptr;  // kept for the object's life, never released
    // The one count, and the object's hold on itself through each operation
    // that may call the host: setHost, setPin, notifyPin, the ticks of its
    // timer clients, and in the graphics bases their interface's operations
    // and their window's messages.
    ObjectLifetime lifetime;

private:
    bool tickHeld(TimerClient& client) final;
    /// onSetHost with the object holding itself.
    std::int32_t attachHeld(gmpi::IMpUnknown* hostObject);
};

template <class Derived>
void MpGuiBase_base::registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, void (Derived::*callback)()) {
    static_assert(std::is_base_of_v<MpGuiBase_base, Derived>, "the callback is an operation of this object");
    using Holder = IGuiPinCallback<gmpi::IMpUserInterface>;
    pin.bindToOwner(this, pinIndex,
                    std::make_unique<Holder>(this, static_cast<Holder::Operation>(callback)));
}

template <class Derived>
void MpGuiBase_base::registerPin(std::int32_t pinIndex, MpGuiPinBase& pin,
                                 void (Derived::*indexedCallback)(std::int32_t)) {
    static_assert(std::is_base_of_v<MpGuiBase_base, Derived>, "the callback is an operation of this object");
    using Holder = IGuiPinCallbackIndexed<gmpi::IMpUserInterface>;
    pin.bindToOwner(this, pinIndex,
                    std::make_unique<Holder>(this, static_cast<Holder::Operation>(indexedCallback)));
}

template <class HostInterface>
std::int32_t MpGuiBase_base::queryHost(gmpi::IMpUnknown* hostObject, const gmpi::InterfaceId& iid,
                                       HostInterface*& into) {
    // Handlers only read the text.
    char* const notSupported = const_cast<char*>(hostInterfacesNotSupported);
    if (hostObject == nullptr) throw notSupported;
    void* obtained = nullptr;
    const std::int32_t result = hostObject->queryInterface(iid, &obtained);
    into = static_cast<HostInterface*>(obtained);
    if (into == nullptr) throw notSupported;
    return result;
}
