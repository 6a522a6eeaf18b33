// Every one of the 2^32 float bit patterns through the value formatter,
// against the reference (tests/NumberTextSupport.h: std::to_chars's fixed
// form with four decimals, the Windows runtime's not-a-number spelling).
// Not run by the tests (it takes minutes); built with them, run by hand:
//   build/native/corvane_formatter_exhaustive [THREADS]
// Prints the first mismatches, the count and the time; exits 0 only if none.
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "NumberTextSupport.h"

int main(int argc, char** argv) {
    const unsigned threads = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : std::thread::hardware_concurrency();
    const std::uint64_t patterns = std::uint64_t{1} << 32;
    const std::uint64_t slice = (patterns + 65535) / 65536;  // work handed out in 65,536 slices
    std::atomic<std::uint64_t> nextSlice{0};
    std::atomic<std::uint64_t> mismatches{0};
    std::mutex printing;
    const auto start = std::chrono::steady_clock::now();

    const auto work = [&] {
        for (std::uint64_t s; (s = nextSlice.fetch_add(1)) < 65536;) {
            for (std::uint64_t bits = s * slice; bits < (s + 1) * slice && bits < patterns; ++bits) {
                const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
                const std::string text = formatted(value);
                const std::string expected = referenceText(value);
                if (text != expected && mismatches.fetch_add(1) < 20) {
                    const std::lock_guard<std::mutex> lock(printing);
                    std::printf("%08llx: formatted %s, expected %s\n", static_cast<unsigned long long>(bits), text.c_str(),
                                expected.c_str());
                }
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < (threads == 0 ? 1 : threads); ++i) pool.emplace_back(work);
    for (std::thread& thread : pool) thread.join();

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%llu float patterns, %llu mismatches, %.1f s on %u threads\n",
                static_cast<unsigned long long>(patterns), static_cast<unsigned long long>(mismatches.load()), seconds,
                threads == 0 ? 1 : threads);
    return mismatches.load() == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
