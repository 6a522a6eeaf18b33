// The stress loop on the built DLL under a real message loop: ten thousand
// objects, each released with its thread-timer re-send pending, then the
// loop run so any late message arrives. The process's memory is measured
// before and after and must come back to within a small margin.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "../LoadedLibrary.h"
#include "../StressLoop.h"
#include "MessageLoop.h"

namespace {

struct Memory {
    SIZE_T privateBytes;
    SIZE_T workingSet;
};

Memory processMemory() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return Memory{counters.PrivateUsage, counters.WorkingSetSize};
}

double kib(SIZE_T bytes) { return static_cast<double>(bytes) / 1024.0; }

}  // namespace

class Stress : public LoadedLibrary {};

TEST_F(Stress, TenThousandObjectsReleasedWithTheirReSendPending) {
    const auto pump = [] { ::pump(0, dispatchAll, never); };
    const auto settle = [] { ::pump(50, dispatchAll, never); };
    // A first round brings the heap and the DLL's process-wide parts to their
    // working size, so the measured round sees only what it leaves behind.
    runStressLoop(*factory, 1000, 8, pump);
    settle();

    constexpr int objects = 10000;
    const Memory before = processMemory();
    const StressTotals totals = runStressLoop(*factory, objects, 8, pump);
    settle();
    const Memory after = processMemory();

    std::printf("stress: %d objects, %d values sent; private bytes %.0f KiB -> %.0f KiB (%+.0f KiB), "
                "working set %.0f KiB -> %.0f KiB (%+.0f KiB)\n",
                totals.created, totals.sends, kib(before.privateBytes), kib(after.privateBytes),
                kib(after.privateBytes) - kib(before.privateBytes), kib(before.workingSet), kib(after.workingSet),
                kib(after.workingSet) - kib(before.workingSet));
    EXPECT_EQ(totals.created, objects);
    EXPECT_EQ(totals.refused, 0);
    EXPECT_EQ(totals.malformed, 0);
    EXPECT_EQ(totals.lateSends, 0) << "a tick reached a released object";
    EXPECT_GE(totals.sends, objects * 4);
    constexpr SIZE_T margin = 256 * 1024;
    EXPECT_LE(after.privateBytes, before.privateBytes + margin) << "memory left behind by the loop";
}
