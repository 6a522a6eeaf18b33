// Lists the symbols a library file exports, read from the file itself
// without running any of its code: the PE export directory of a DLL, the
// dynamic symbol table of an ELF shared object. Used by the validator's
// export-table check; the libraries an ELF file needs, by the harness to
// bring in a sanitizer runtime (SanitizerRuntime.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

/// The exported names (an export by ordinal only appears as "#ordinal"), or
/// nullopt with `error` set when the file cannot be read as a library of
/// this platform.
std::optional<std::vector<std::string>> readExportTable(const std::string& libraryPath, std::string& error);

/// The names an ELF library lists as needed (DT_NEEDED), in its order; empty
/// for a file that cannot be read as one, and always on Windows.
std::vector<std::string> readNeededLibraries(const std::string& libraryPath);
