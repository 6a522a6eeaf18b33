// Items per second through the item parser and the value formatter, on the
// kind of items a number list holds: the module's own normalised output
// and hand-typed numbers.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "module/NumberFormatter.h"
#include "module/NumberParser.h"

namespace {

/// Floats of mixed magnitudes and signs, from 1e-3 to 1e6, fixed seed.
std::vector<float> sampleValues() {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> mantissa(-10.0f, 10.0f);
    std::uniform_int_distribution<int> scale(-3, 5);
    std::vector<float> values(4096);
    for (float& value : values) {
        float factor = 1.0f;
        for (int i = scale(random); i != 0; i += i < 0 ? 1 : -1) factor = i < 0 ? factor / 10 : factor * 10;
        value = mantissa(random) * factor;
    }
    return values;
}

void parseNormalisedItems(benchmark::State& state) {
    std::vector<std::u16string> items;
    for (float value : sampleValues()) {
        char16_t units[NumberTextCapacity];
        items.emplace_back(units, formatNumber(value, units));
    }
    for (auto _ : state) {
        for (const std::u16string& item : items) benchmark::DoNotOptimize(parseItem(item));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(items.size()));
}
BENCHMARK(parseNormalisedItems);

void parseTypedItems(benchmark::State& state) {
    const std::vector<std::u16string> items = {u"1", u" 2.5", u"-0.125", u"1e3", u"  42 ", u"3.14159265358979",
                                               u"0x1p-3", u"-inf", u"nan", u"abc", u"", u"100000.5"};
    for (auto _ : state) {
        for (const std::u16string& item : items) benchmark::DoNotOptimize(parseItem(item));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(items.size()));
}
BENCHMARK(parseTypedItems);

void formatValues(benchmark::State& state) {
    const std::vector<float> values = sampleValues();
    char16_t units[NumberTextCapacity];
    for (auto _ : state) {
        for (float value : values) {
            benchmark::DoNotOptimize(formatNumber(value, units));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(formatValues);

}  // namespace
