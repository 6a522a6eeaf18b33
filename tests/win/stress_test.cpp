// The stress loop on the built DLL under a real message loop: ten thousand
// objects, each released with its thread-timer re-send pending, then the
// loop run so any late message arrives. The process's memory is measured
// before and after (the heaps' busy blocks, and the system's counters) and
// must come back to within a small margin.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "../LoadedLibrary.h"
#include "../StressLoop.h"
#include "MessageLoop.h"

namespace {

struct Memory {
    SIZE_T heapInUse;  // bytes in busy blocks of all the process's heaps
    SIZE_T workingSet;
    SIZE_T pagefile;
};

SIZE_T heapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry{};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

Memory processMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return Memory{heapBytesInUse(), counters.WorkingSetSize, counters.PagefileUsage};
}

double kib(SIZE_T bytes) { return static_cast<double>(bytes) / 1024.0; }

}  // namespace

class Stress : public LoadedLibrary {};

TEST_F(Stress, TenThousandObjectsReleasedWithTheirReSendPending) {
    // Every 64 objects the loop runs 2 ms, so some re-sends reach live objects.
    const auto pump = [] { ::pump(2, dispatchAll, never); };
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

    std::printf("stress: %d objects, %d values sent\n", totals.created, totals.sends);
    const auto figure = [](const char* name, double was, double is) {
        std::printf("  %-14s %10.0f KiB -> %10.0f KiB (%+.0f KiB)\n", name, was, is, is - was);
    };
    figure("heap in use", kib(before.heapInUse), kib(after.heapInUse));
    std::printf("  %-14s %+lld bytes\n", "heap change",
                static_cast<long long>(after.heapInUse) - static_cast<long long>(before.heapInUse));
    figure("working set", kib(before.workingSet), kib(after.workingSet));
    figure("pagefile", kib(before.pagefile), kib(after.pagefile));
    EXPECT_EQ(totals.created, objects);
    EXPECT_EQ(totals.refused, 0);
    EXPECT_EQ(totals.malformed, 0);
    EXPECT_EQ(totals.lateSends, 0) << "a tick reached a released object";
    EXPECT_GE(totals.sends, objects * 4);
    // The heaps are measured to the byte: 16 KiB is under 2 bytes per object.
    // The working set also holds pages the heaps keep for reuse.
    EXPECT_LE(after.heapInUse, before.heapInUse + 16 * 1024) << "heap blocks left behind by the loop";
    EXPECT_LE(after.workingSet, before.workingSet + 1024 * 1024) << "memory left behind by the loop";
}
