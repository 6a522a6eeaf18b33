// Start-up of the Microsoft-ABI test host, in place of the start-up objects
// of Microsoft's own runtime, which are not at hand: the C++ static
// initialisers (the compiler files them between the markers below), the
// vtable the compiler's type descriptors point at, and atexit for the
// destructors of statics, all on top of the Universal C Runtime as Wine
// provides it (exception handling, _initterm, exit).
using Initialiser = void(__cdecl*)();

#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
extern "C" __declspec(allocate(".CRT$XCA")) const Initialiser firstInitialiser = nullptr;
extern "C" __declspec(allocate(".CRT$XCZ")) const Initialiser lastInitialiser = nullptr;

extern "C" void __cdecl _initterm(const Initialiser* first, const Initialiser* last);
extern "C" int __cdecl _crt_atexit(void(__cdecl* function)());
extern "C" [[noreturn]] void __cdecl exit(int status);

// Type descriptors name their vtable, type_info's; only its virtual
// destructor would use it, and descriptors are never destroyed.
extern "C" const void* const hostTypeInfoVtable[1] = {nullptr};
#pragma comment(linker, "/alternatename:??_7type_info@@6B@=hostTypeInfoVtable")

// The compiler marks a program that uses floating point by this symbol.
extern "C" const int _fltused = 0;

extern "C" int __cdecl atexit(void(__cdecl* function)()) { return _crt_atexit(function); }

int main();

extern "C" int mainCRTStartup() {
    _initterm(&firstInitialiser + 1, &lastInitialiser);
    exit(main());
}
