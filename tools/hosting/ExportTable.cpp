#include "tools/hosting/ExportTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/common/HostText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <elf.h>
#endif

namespace {

std::optional<std::vector<unsigned char>> readFile(const std::string& path) {
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads a record at `offset`, or fails when the file is too short: the
// file is untrusted input.
template <typename Record>
bool readAt(const std::vector<unsigned char>& file, std::uint64_t offset, Record& out) {
    if (offset > file.size() || file.size() - offset < sizeof(Record)) return false;
    std::memcpy(&out, file.data() + offset, sizeof(Record));
    return true;
}

std::optional<std::string> textAt(const std::vector<unsigned char>& file, std::uint64_t offset) {
    if (offset >= file.size()) return std::nullopt;
    const auto* start = reinterpret_cast<const char*>(file.data() + offset);
    const std::size_t length = strnlen(start, file.size() - offset);
    if (length == file.size() - offset) return std::nullopt;
    return std::string(start, length);
}

#ifdef _WIN32

// The file offset of a relative virtual address, through the section table.
std::optional<std::uint64_t> fileOffset(const std::vector<IMAGE_SECTION_HEADER>& sections, std::uint32_t rva) {
    for (const auto& section : sections) {
        const std::uint32_t size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size)
            return std::uint64_t{section.PointerToRawData} + (rva - section.VirtualAddress);
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> exportsOf(const std::vector<unsigned char>& file, std::string& error) {
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS64 nt;
    if (!readAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || !readAt(file, dos.e_lfanew, nt) ||
        nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        error = "not a 64-bit PE file";
        return std::nullopt;
    }
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    const std::uint64_t table = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (std::size_t i = 0; i < sections.size(); ++i)
        if (!readAt(file, table + i * sizeof(IMAGE_SECTION_HEADER), sections[i])) return error = "truncated section table", std::nullopt;

    std::vector<std::string> names;
    if (nt.OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT) return names;
    const auto& directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress == 0) return names;
    IMAGE_EXPORT_DIRECTORY exports;
    const auto at = fileOffset(sections, directory.VirtualAddress);
    if (!at || !readAt(file, *at, exports)) return error = "unreadable export directory", std::nullopt;

    const auto nameTable = fileOffset(sections, exports.AddressOfNames);
    const auto ordinalTable = fileOffset(sections, exports.AddressOfNameOrdinals);
    std::vector<bool> named(exports.NumberOfFunctions, false);
    for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
        DWORD nameRva = 0;
        WORD ordinal = 0;
        if (!nameTable || !ordinalTable || !readAt(file, *nameTable + 4ull * i, nameRva) ||
            !readAt(file, *ordinalTable + 2ull * i, ordinal))
            return error = "unreadable export names", std::nullopt;
        const auto nameAt = fileOffset(sections, nameRva);
        const auto name = nameAt ? textAt(file, *nameAt) : std::nullopt;
        if (!name) return error = "unreadable export name", std::nullopt;
        names.push_back(*name);
        if (ordinal < named.size()) named[ordinal] = true;
    }
    const auto functions = fileOffset(sections, exports.AddressOfFunctions);
    for (DWORD i = 0; i < exports.NumberOfFunctions; ++i) {
        DWORD address = 0;
        if (named[i] || !functions || !readAt(file, *functions + 4ull * i, address) || address == 0) continue;
        names.push_back("#" + std::to_string(exports.Base + i));
    }
    return names;
}

#else

std::optional<std::vector<std::string>> exportsOf(const std::vector<unsigned char>& file, std::string& error) {
    Elf64_Ehdr header;
    if (!readAt(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr)) {
        error = "not a 64-bit ELF file";
        return std::nullopt;
    }
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    for (std::size_t i = 0; i < sections.size(); ++i)
        if (!readAt(file, header.e_shoff + i * sizeof(Elf64_Shdr), sections[i])) return error = "truncated section table", std::nullopt;

    std::vector<std::string> names;
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_type != SHT_DYNSYM || section.sh_link >= sections.size() || section.sh_entsize != sizeof(Elf64_Sym))
            continue;
        const Elf64_Shdr& strings = sections[section.sh_link];
        for (std::uint64_t at = sizeof(Elf64_Sym); at + sizeof(Elf64_Sym) <= section.sh_size; at += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            if (!readAt(file, section.sh_offset + at, symbol)) return error = "truncated symbol table", std::nullopt;
            const int binding = ELF64_ST_BIND(symbol.st_info);
            // Defined, visible symbols; absolute ones are version markers.
            if (symbol.st_shndx == SHN_UNDEF || symbol.st_shndx == SHN_ABS) continue;
            if (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE) continue;
            const auto name = textAt(file, strings.sh_offset + symbol.st_name);
            if (!name) return error = "unreadable symbol name", std::nullopt;
            names.push_back(*name);
        }
    }
    return names;
}

std::vector<std::string> neededOf(const std::vector<unsigned char>& file) {
    Elf64_Ehdr header;
    if (!readAt(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr))
        return {};
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    for (std::size_t i = 0; i < sections.size(); ++i)
        if (!readAt(file, header.e_shoff + i * sizeof(Elf64_Shdr), sections[i])) return {};
    std::vector<std::string> names;
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_type != SHT_DYNAMIC || section.sh_link >= sections.size()) continue;
        const Elf64_Shdr& strings = sections[section.sh_link];
        for (std::uint64_t at = 0; at + sizeof(Elf64_Dyn) <= section.sh_size; at += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            if (!readAt(file, section.sh_offset + at, entry) || entry.d_tag == DT_NULL) break;
            if (entry.d_tag != DT_NEEDED) continue;
            if (const auto name = textAt(file, strings.sh_offset + entry.d_un.d_val)) names.push_back(*name);
        }
    }
    return names;
}

#endif

}  // namespace

std::vector<std::string> readNeededLibraries(const std::string& libraryPath) {
#ifdef _WIN32
    (void)libraryPath;
    return {};
#else
    // Asked before any command has looked at the path: it may be anything.
    std::error_code error;
    if (!std::filesystem::is_regular_file(pathFromUtf8(libraryPath), error)) return {};
    try {
        const auto file = readFile(libraryPath);
        return file ? neededOf(*file) : std::vector<std::string>{};
    } catch (const std::exception&) {
        return {};  // unreadable: the command itself says so
    }
#endif
}

std::optional<std::vector<std::string>> readExportTable(const std::string& libraryPath, std::string& error) {
    const auto file = readFile(libraryPath);
    if (!file) {
        error = "cannot read " + libraryPath;
        return std::nullopt;
    }
    return exportsOf(*file, error);
}
