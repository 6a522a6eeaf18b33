# Cross-build for Windows x86-64 with MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Debug information as DWARF 4: Wine 8's symbol reader (dbghelp) reads it and
# not gcc 12's default DWARF 5, and through it corvane-host names a crash's
# function and line under Wine. (CMake adds its -g after these; the version stays.)
foreach(lang C CXX)
  set(CMAKE_${lang}_FLAGS_DEBUG_INIT "-gdwarf-4")
  set(CMAKE_${lang}_FLAGS_RELWITHDEBINFO_INIT "-gdwarf-4")
endforeach()
