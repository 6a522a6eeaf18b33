// A Windows program that crashes at once, writing through a null pointer:
// run under Wine by ends_promptly.sh, which wants it to end with a failure
// at once instead of waiting in Wine's debugger.
#include <cstdio>

int main() {
    std::puts("wine_crash_probe: crashing now");
    std::fflush(stdout);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
