// Items per second through the item parser and the value formatter, on the
// kind of items a number list holds: the module's own normalised output
// and hand-typed numbers; one item at a time, and whole lists of n items as
// CorvaneGui parses and writes them (ParseList/n, ParseTypedList/n,
// FormatList/n).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "module/NumberFormatter.h"
#include "module/NumberListParser.h"
#include "module/NumberListText.h"
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

/// n values taken from the sample in turn.
std::vector<float> listValues(std::int64_t items) {
    const std::vector<float> sample = sampleValues();
    std::vector<float> values(static_cast<std::size_t>(items));
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = sample[i % sample.size()];
    return values;
}

void ParseList(benchmark::State& state) {
    NumberListText text;
    text.assign(listValues(state.range(0)));
    std::vector<float> values(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        parseNumberList(text.text(), values);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ParseList)->Arg(1000)->Arg(10000)->Arg(65536);

void ParseTypedList(benchmark::State& state) {
    const std::u16string typed[] = {u"1", u" 2.5", u"-0.125", u"1e3", u"  42 ", u"3.14159265358979", u"-17.25",
                                    u"100000.5", u"0.001", u"7", u"-3.5e-2", u"12.75"};
    std::u16string text;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        if (i != 0) text += u',';
        text += typed[static_cast<std::size_t>(i) % std::size(typed)];
    }
    std::vector<float> values(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        parseNumberList(text, values);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ParseTypedList)->Arg(10000)->Arg(65536);

void FormatList(benchmark::State& state) {
    const std::vector<float> values = listValues(state.range(0));
    NumberListText text;
    for (auto _ : state) {
        text.assign(values);
        benchmark::DoNotOptimize(text.text().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(FormatList)->Arg(1000)->Arg(10000)->Arg(65536);

}  // namespace
