// Base of GUI objects on the version-2 GUI interface: implements the eleven
// slots of IMpUserInterface2B on top of GuiPinOwner, obtains IGuiHost2 in
// setHost, routes host values and notifications to registered pins, and
// forwards what pins send to the host. It keeps the object's count, which
// ZuGuiInvisibleBase answers addRef and release from.
// Every operation the host calls answers a result code; no exception leaves
// it. setPin, notifyPin and the timer's onTimer run with the object holding
// itself (a host may let go of it inside a send), so derived classes
// override the hooks below and take no hold and catch nothing themselves.
#pragma once

#include <cstdint>
#include <type_traits>

#include "gui/GuiPinOwner.h"
#include "gui/MpGuiPinBase.h"
#include "gui/ObjectLifetime.h"
#include "gui/TickHolder.h"
#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpUserInterface2.h"

// TickHolder comes after the interface, so the host's table is unchanged.
class MpGuiBase2 : public gmpi::IMpUserInterface2B, public GuiPinOwner, public TickHolder {
public:
    /// Change callbacks, stored as operations of the interface the holder calls through.
    using Callback = void (gmpi::IMpUserInterface2::*)();
    using IndexedCallback = void (gmpi::IMpUserInterface2::*)(std::int32_t voice);

    /// Answers this object for IMpUnknown, IMpUserInterface2 and IMpUserInterface2B.
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    /// Asks `host` for IGuiHost2 and keeps what it leaves (never released).
    /// ResultOk when that is non-null, ResultNoInterface otherwise (a null
    /// `host` forgets the earlier one). ResultFail, host kept, if the query throws.
    std::int32_t setHost(gmpi::IMpUnknown* host) override;
    std::int32_t hostCallA() override;
    /// onSetPin under the object's hold; ResultFail also when it throws
    /// (allocation failure: the pin's old value stays).
    std::int32_t setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                        const void* data) final;
    std::int32_t hostCallB() override;
    std::int32_t hostCallC() override;
    std::int32_t hostCallD() override;
    std::int32_t hostCallE() override;
    /// onNotifyPin under the object's hold; ResultFail also when it throws.
    std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t voice) final;
    virtual ~MpGuiBase2();

    /// Forwards to the host's sendPinValue unchanged and answers its result;
    /// ResultFail before setHost has obtained a host, and once the host has
    /// let go of the object (see hostHoldsThis).
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override;

protected:
    MpGuiBase2() = default;

    /// A host value for `pinIndex`: GuiPinOwner::setPin on this object's
    /// registry. Override for pins without a pin object.
    virtual std::int32_t onSetPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                  const void* data);
    /// The host's notification for `pinIndex`: GuiPinOwner::notifyPin, which
    /// runs the pin's change callback. Override for pins without a pin object.
    virtual std::int32_t onNotifyPin(std::int32_t pinIndex, std::int32_t voice);

    // Registration while the derived object is built. A plain callback makes an
    // IGuiPinCallback holder, only when one is given; an indexed callback always
    // makes an IGuiPinCallbackIndexed holder. Then the pin binds to this object.
    // May throw std::bad_alloc (the creation then fails in the factory).
    void registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, Callback callback = nullptr);
    void registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, IndexedCallback callback);
    /// Registers under 0 when no pin is registered, else one above the highest index.
    void registerPin(MpGuiPinBase& pin, Callback callback = nullptr);

    // The same forms with the derived class's own member operations.
    template <class Derived>
    void registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, void (Derived::*callback)()) {
        registerPin(pinIndex, pin, asCallback<Derived>(callback));
    }
    template <class Derived>
    void registerPin(std::int32_t pinIndex, MpGuiPinBase& pin, void (Derived::*callback)(std::int32_t)) {
        registerPin(pinIndex, pin, asCallback<Derived>(callback));
    }
    template <class Derived>
    void registerPin(MpGuiPinBase& pin, void (Derived::*callback)()) {
        registerPin(pin, asCallback<Derived>(callback));
    }

    /// False once the host has dropped its last reference from inside an
    /// operation in progress: the object goes when that ends, and sends
    /// nothing more to the host meanwhile.
    bool hostHoldsThis() const { return !lifetime.heldOnlyByItself(); }

    gmpi::IGuiHost2* host = nullptr;  // not counted: kept for the object's life
    // The one count (ZuGuiInvisibleBase answers addRef and release from it),
    // and the object's hold on itself through setHost, setPin, notifyPin and
    // the ticks of its timer clients.
    ObjectLifetime lifetime;

private:
    bool tickHeld(TimerClient& client) final;

    template <class Derived, class Operation>
    static auto asCallback(Operation operation) {
        static_assert(std::is_base_of_v<MpGuiBase2, Derived>, "callbacks are operations of the registering object");
        if constexpr (std::is_same_v<Operation, void (Derived::*)()>)
            return static_cast<Callback>(operation);
        else
            return static_cast<IndexedCallback>(operation);
    }
};
