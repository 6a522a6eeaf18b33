// CorvaneGui's two conversions as a host pays for them, with a host whose
// sendPinValue only counts:
// - TextChange/n: the host writes a text of n items on pin 0 and reports it;
//   the object parses, sends n floats, formats and sends the text. Items/s.
// - ValueOnFloatPin/n: one value delivered on the middle float pin of an
//   n-item list; the object re-joins the text without formatting the other
//   items. Held against TextMemcpy/n, one memcpy of that list's text.
// n stops at CorvaneGui::LastFloatPin, the longest list the object holds.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/StringGuiPin.h"
#include "interfaces/HostInterfaces.h"
#include "interfaces/InterfaceIds.h"
#include "module/CorvaneGui.h"

namespace {

class CountingHost final : public gmpi::IGuiHost2 {
public:
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        *out = iid == gmpi::IID_IGuiHost2 ? this : nullptr;
        return *out != nullptr ? gmpi::ResultOk : gmpi::ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }
    std::int32_t sendPinValue(std::int32_t, std::int32_t, const void*, std::int32_t) override {
        ++sends;
        return gmpi::ResultOk;
    }
    long sends = 0;
};

/// n items of varied length and form, as a person might type them.
std::u16string typedText(std::int64_t items) {
    std::string text;
    for (std::int64_t i = 0; i < items; ++i) {
        if (i != 0) text += i % 5 == 0 ? ", " : ",";
        text += std::to_string((i * 7919) % 2000 - 1000);
        if (i % 3 != 0) {
            text += '.';
            text += std::to_string((i * 104729) % 10000);
        }
        if (i % 11 == 0) text += "e-2";
    }
    return {text.begin(), text.end()};
}

/// An attached object with n float slots and the typed text taken in.
CorvaneGui* listOf(CountingHost& host, std::int64_t items, const std::u16string& text) {
    auto* gui = new CorvaneGui;
    gui->setHost(&host);
    const float zero = 0.0f;
    gui->setPin(static_cast<std::int32_t>(items), 0, sizeof zero, &zero);
    gui->setPin(0, 0, static_cast<std::int32_t>(text.size() * 2), text.data());
    gui->notifyPin(0, 0);
    return gui;
}

void TextChange(benchmark::State& state) {
    const std::int64_t items = state.range(0);
    const std::u16string text = typedText(items);
    CountingHost host;
    CorvaneGui* gui = listOf(host, items, text);
    const auto bytes = static_cast<std::int32_t>(text.size() * 2);
    for (auto _ : state) {
        // Typed text differs from the normalised text the object wrote back.
        gui->setPin(0, 0, bytes, text.data());
        gui->notifyPin(0, 0);
    }
    gui->release();
    state.SetItemsProcessed(state.iterations() * items);
    state.counters["sends"] = benchmark::Counter(static_cast<double>(host.sends), benchmark::Counter::kAvgIterations);
}

void ValueOnFloatPin(benchmark::State& state) {
    const std::int64_t items = state.range(0);
    CountingHost host;
    CorvaneGui* gui = listOf(host, items, typedText(items));
    const auto middle = static_cast<std::int32_t>(items / 2 + 1);
    // Alternating values of the same text length: the new text differs only
    // inside one item, the most the comparison can cost.
    const float values[2] = {1.25f, 2.5f};
    int which = 0;
    for (auto _ : state) {
        gui->setPin(middle, 0, sizeof(float), &values[which]);
        which ^= 1;
    }
    state.counters["text_bytes"] = static_cast<double>(static_cast<StringGuiPin*>(gui->getPin(0))->rawSize());
    gui->release();
}

void TextMemcpy(benchmark::State& state) {
    const std::int64_t items = state.range(0);
    CountingHost host;
    CorvaneGui* gui = listOf(host, items, typedText(items));
    const std::u16string text = static_cast<StringGuiPin*>(gui->getPin(0))->getValue();
    gui->release();
    std::u16string copy(text.size(), u'\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), text.data(), text.size() * 2);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.counters["text_bytes"] = static_cast<double>(text.size() * 2);
}

}  // namespace

BENCHMARK(TextChange)->Arg(1000)->Arg(10000)->Arg(CorvaneGui::LastFloatPin)->Unit(benchmark::kMicrosecond);
BENCHMARK(ValueOnFloatPin)->Arg(10000)->Arg(CorvaneGui::LastFloatPin)->Unit(benchmark::kMicrosecond);
BENCHMARK(TextMemcpy)->Arg(10000)->Arg(CorvaneGui::LastFloatPin)->Unit(benchmark::kMicrosecond);
