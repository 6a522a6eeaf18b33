// The owner side of GUI pins, shared by both GUI object bases (version-2 and
// legacy): the registry from pin index to pin, the operations the bases build
// their setPin and notifyPin on, and sendPinValue, through which pins send.
// Pins register themselves through bindToOwner while their object is built.
#pragma once

#include <cstdint>
#include <map>

class MpGuiPinBase;

class GuiPinOwner {
public:
    GuiPinOwner() = default;
    GuiPinOwner(const GuiPinOwner&) = delete;
    GuiPinOwner& operator=(const GuiPinOwner&) = delete;

    /// Sends one pin value out: the bases forward it to their host. `data` is
    /// only read during the call. Answers the host's result code.
    virtual std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                                      std::int32_t voice) = 0;

    /// Enters `pin` under `pinIndex` unless that index is taken; a taken index
    /// keeps its earlier pin. Does not touch the pin. May throw std::bad_alloc.
    void addPin(std::int32_t pinIndex, MpGuiPinBase& pin);
    /// The pin registered under `pinIndex`, or null.
    MpGuiPinBase* getPin(std::int32_t pinIndex) const;

    /// Hands a host value to the registered pin; no callback runs. ResultOk, or
    /// ResultFail for an unregistered index, a negative size or null data with
    /// a non-zero size (then nothing changes). The pin's allocation failure
    /// travels as std::bad_alloc and leaves the pin's value as it was.
    std::int32_t setPin(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize, const void* data);
    /// As setPin; then runs the pin's callback with `voice` if the value changed.
    std::int32_t setPinAndNotify(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize,
                                 const void* data);
    /// Runs the registered pin's callback, if it has one, with `voice`.
    /// ResultOk (also without callback), ResultFail for an unregistered index.
    std::int32_t notifyPin(std::int32_t pinIndex, std::int32_t voice);

protected:
    // Not virtual: objects are destroyed through their own class's destructor.
    // The registry points at pins without owning them.
    ~GuiPinOwner() = default;

    /// 0 when no pin is registered, otherwise one above the highest index.
    /// Throws std::out_of_range when the highest index is the largest int32.
    std::int32_t nextPinIndex() const;

private:
    std::int32_t deliver(std::int32_t pinIndex, std::int32_t voice, std::int32_t byteSize, const void* data,
                         bool notify);

    std::map<std::int32_t, MpGuiPinBase*> pins;
};
