// Allocation failure on demand for the allocation-failure test programs,
// which replace the global operator new with one that counts allocations and
// throws std::bad_alloc at a chosen one; also the counts themselves, for tests
// that show an operation allocates nothing or holds on to nothing.
// Single-threaded tests only.
#pragma once

#include <cstddef>

class AllocationFault {
public:
    /// Arms the fault: the allocation `skipped` allocations from now (0: the
    /// next one) throws std::bad_alloc; later ones succeed again.
    explicit AllocationFault(std::size_t skipped);
    /// Disarms a fault that has not fired.
    ~AllocationFault();
    AllocationFault(const AllocationFault&) = delete;
    AllocationFault& operator=(const AllocationFault&) = delete;

    /// Disarms the fault; true when it fired.
    bool end();

    /// Runs `operation` with the (skipped+1)-th allocation failing, for
    /// skipped = 0, 1, 2, ... until a run sees no failure; calls
    /// `check(faulted, result)` after each run, outside the fault. Answers the
    /// number of runs in which an allocation failed.
    template <class Operation, class Check>
    static std::size_t sweep(Operation operation, Check check) {
        for (std::size_t skipped = 0;; ++skipped) {
            AllocationFault fault(skipped);
            const auto result = operation();
            const bool faulted = fault.end();
            check(faulted, result);
            if (!faulted) return skipped;
        }
    }
};

/// Allocations made while one of these lives never fail (a host's own work,
/// test bookkeeping); they are not counted either.
class AllocationFaultPause {
public:
    AllocationFaultPause();
    ~AllocationFaultPause();
    AllocationFaultPause(const AllocationFaultPause&) = delete;
    AllocationFaultPause& operator=(const AllocationFaultPause&) = delete;
};

/// Allocations through the global operator new since the program started.
std::size_t allocationsMade();
/// Blocks from the global operator new not yet given back.
std::size_t blocksInUse();
