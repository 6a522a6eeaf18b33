// The replacement global operator new and delete of the allocation-failure
// test programs: malloc and free underneath (so AddressSanitizer still sees
// every block and reports leaks), plus the countdown that AllocationFault arms.
#include "FailingAllocator.h"

#include <cstdlib>
#include <new>

namespace {

bool armed = false;
bool fired = false;
std::size_t countdown = 0;
int pauses = 0;
std::size_t made = 0;
std::size_t inUse = 0;

void* allocate(std::size_t size) {
    if (armed && pauses == 0) {
        if (countdown == 0) {
            armed = false;
            fired = true;
            throw std::bad_alloc();
        }
        --countdown;
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        ++made;
        ++inUse;
        return block;
    }
    throw std::bad_alloc();
}

void deallocate(void* block) noexcept {
    if (block != nullptr) --inUse;
    std::free(block);
}

}  // namespace

AllocationFault::AllocationFault(std::size_t skipped) {
    armed = true;
    fired = false;
    countdown = skipped;
}

AllocationFault::~AllocationFault() { armed = false; }

bool AllocationFault::end() {
    armed = false;
    return fired;
}

std::size_t allocationsMade() { return made; }
std::size_t blocksInUse() { return inUse; }

AllocationFaultPause::AllocationFaultPause() { ++pauses; }
AllocationFaultPause::~AllocationFaultPause() { --pauses; }

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { deallocate(block); }
void operator delete[](void* block) noexcept { deallocate(block); }
void operator delete(void* block, std::size_t) noexcept { deallocate(block); }
void operator delete[](void* block, std::size_t) noexcept { deallocate(block); }
