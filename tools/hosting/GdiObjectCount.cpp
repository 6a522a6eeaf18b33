#include "tools/hosting/GdiObjectCount.h"

#ifdef _WIN32
#include <cstring>
#include <mutex>
#include <vector>

namespace gdiObjectCount {

namespace {

enum class Kind { Pen, Brush, Font, DeviceContext, Bitmap, Region, Palette };

const char* kindName(Kind kind, bool plural) {
    switch (kind) {
        case Kind::Pen: return plural ? "pens" : "pen";
        case Kind::Brush: return plural ? "brushes" : "brush";
        case Kind::Font: return plural ? "fonts" : "font";
        case Kind::DeviceContext: return plural ? "device contexts" : "device context";
        case Kind::Bitmap: return plural ? "bitmaps" : "bitmap";
        case Kind::Region: return plural ? "regions" : "region";
        case Kind::Palette: return plural ? "palettes" : "palette";
    }
    return "object";
}

/// What the stand-ins saw: each living object with its kind and the function that made it.
struct Record {
    std::mutex lock;
    std::map<void*, std::pair<Kind, const char*>> living;
};

Record& record() {
    static Record instance;
    return instance;
}

void made(void* object, Kind kind, const char* function) {
    Record& state = record();
    const std::lock_guard<std::mutex> held(state.lock);
    state.living[object] = {kind, function};
}

void deleted(void* object) {
    Record& state = record();
    const std::lock_guard<std::mutex> held(state.lock);
    state.living.erase(object);
}

/// One replaced import: its name, and the stand-in and the real function.
struct Replacement {
    const char* name;
    void* standIn;
    void** real;
};

/// The stand-in for a creation function of signature R(A...): calls the
/// real one and records what it made. `Tag` tells the instances apart.
template <typename Tag, typename Signature>
struct Maker;
template <typename Tag, typename R, typename... A>
struct Maker<Tag, R(A...)> {
    static inline void* real = nullptr;
    static R WINAPI call(A... arguments) {
        const R object = reinterpret_cast<R(WINAPI*)(A...)>(real)(arguments...);
        if (object != nullptr) made(reinterpret_cast<void*>(object), Tag::kind, Tag::name);
        return object;
    }
};

/// The stand-in for DeleteObject and DeleteDC.
template <typename Tag, typename Handle>
struct Deleter {
    static inline void* real = nullptr;
    static BOOL WINAPI call(Handle object) {
        const BOOL done = reinterpret_cast<BOOL(WINAPI*)(Handle)>(real)(object);
        if (done) deleted(reinterpret_cast<void*>(object));
        return done;
    }
};

#define CORVANE_GDI_MAKER(function, objectKind)                                                             \
    struct function##Tag {                                                                                  \
        static constexpr const char* name = #function;                                                      \
        static constexpr Kind kind = Kind::objectKind;                                                      \
    };                                                                                                      \
    using function##StandIn = Maker<function##Tag, decltype(::function)>;
#define CORVANE_GDI_ENTRY(function, objectKind) \
    {#function, reinterpret_cast<void*>(&function##StandIn::call), &function##StandIn::real},

// The creation functions of GDI32 a plug-in calls to make pens, brushes,
// fonts, device contexts, bitmaps, regions and palettes.
#define CORVANE_GDI_MAKERS(X)                                                                                         \
    X(CreatePen, Pen) X(CreatePenIndirect, Pen) X(ExtCreatePen, Pen) X(CreateSolidBrush, Brush)                       \
    X(CreateHatchBrush, Brush) X(CreatePatternBrush, Brush) X(CreateBrushIndirect, Brush)                             \
    X(CreateDIBPatternBrushPt, Brush) X(CreateFontW, Font) X(CreateFontA, Font) X(CreateFontIndirectW, Font)          \
    X(CreateFontIndirectA, Font) X(CreateFontIndirectExW, Font) X(CreateCompatibleDC, DeviceContext)                  \
    X(CreateDCW, DeviceContext) X(CreateDCA, DeviceContext) X(CreateICW, DeviceContext)                               \
    X(CreateCompatibleBitmap, Bitmap) X(CreateBitmap, Bitmap) X(CreateBitmapIndirect, Bitmap)                         \
    X(CreateDIBSection, Bitmap) X(CreateDIBitmap, Bitmap) X(CreateRectRgn, Region) X(CreateRectRgnIndirect, Region)  \
    X(CreateRoundRectRgn, Region) X(CreateEllipticRgn, Region) X(CreateEllipticRgnIndirect, Region)                   \
    X(CreatePolygonRgn, Region) X(CreatePolyPolygonRgn, Region) X(ExtCreateRegion, Region) X(CreatePalette, Palette) \
    X(CreateHalftonePalette, Palette)

CORVANE_GDI_MAKERS(CORVANE_GDI_MAKER)

struct DeleteObjectTag {};
struct DeleteDCTag {};
using DeleteObjectStandIn = Deleter<DeleteObjectTag, HGDIOBJ>;
using DeleteDCStandIn = Deleter<DeleteDCTag, HDC>;

const std::vector<Replacement>& replacements() {
    static const std::vector<Replacement> all{
        CORVANE_GDI_MAKERS(CORVANE_GDI_ENTRY)
        {"DeleteObject", reinterpret_cast<void*>(&DeleteObjectStandIn::call), &DeleteObjectStandIn::real},
        {"DeleteDC", reinterpret_cast<void*>(&DeleteDCStandIn::call), &DeleteDCStandIn::real},
    };
    return all;
}

#undef CORVANE_GDI_MAKERS
#undef CORVANE_GDI_ENTRY
#undef CORVANE_GDI_MAKER

const Replacement* replacementFor(const char* name) {
    for (const Replacement& each : replacements())
        if (std::strcmp(each.name, name) == 0) return &each;
    return nullptr;
}

/// Points one import table entry at `target`.
bool replaceEntry(ULONG_PTR* entry, void* target) {
    DWORD was = 0;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &was)) return false;
    *entry = reinterpret_cast<ULONG_PTR>(target);
    DWORD ignored = 0;
    VirtualProtect(entry, sizeof *entry, was, &ignored);
    return true;
}

}  // namespace

bool watch(HMODULE module, std::string& why) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (base == nullptr) return why = "the library's module is unknown", false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return why = "the library has no DOS header", false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return why = "the library is not a 64-bit PE image", false;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return true;  // imports nothing: makes no GDI object itself
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); library->Name != 0;
         ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "gdi32.dll") != 0) continue;
        if (library->OriginalFirstThunk == 0)
            return why = "the library's GDI32 imports are bound without their names", false;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++entries) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            const Replacement* replacement = replacementFor(reinterpret_cast<const char*>(byName->Name));
            if (replacement == nullptr) continue;
            // Watched once already (the library loaded again): the entry is ours.
            if (reinterpret_cast<void*>(entries->u1.Function) == replacement->standIn) continue;
            *replacement->real = reinterpret_cast<void*>(entries->u1.Function);
            if (!replaceEntry(reinterpret_cast<ULONG_PTR*>(&entries->u1.Function), replacement->standIn))
                return why = std::string("the library's import of ") + replacement->name + " cannot be written", false;
        }
    }
    return true;
}

Counts living() {
    Record& state = record();
    const std::lock_guard<std::mutex> held(state.lock);
    Counts counts;
    for (const auto& [object, made] : state.living) ++counts[kindName(made.first, false)][made.second];
    return counts;
}

std::string growth(const Counts& before, const Counts& after, int& total) {
    const auto sum = [](const Counts& counts, const std::string& kind, const char* function = nullptr) {
        const auto found = counts.find(kind);
        int count = 0;
        if (found != counts.end())
            for (const auto& [name, made] : found->second)
                if (function == nullptr || name == function) count += made;
        return count;
    };
    std::string text;
    total = 0;
    for (const Kind kind : {Kind::Pen, Kind::Brush, Kind::Font, Kind::DeviceContext, Kind::Bitmap, Kind::Region, Kind::Palette}) {
        const std::string key = kindName(kind, false);
        const int grown = sum(after, key) - sum(before, key);
        if (grown <= 0) continue;
        total += grown;
        std::string functions;
        for (const auto& [name, made] : after.at(key))
            if (made > sum(before, key, name.c_str())) functions += (functions.empty() ? "" : ", ") + name;
        text += (text.empty() ? "" : ", ") + std::to_string(grown) + " " + kindName(kind, grown != 1) + " (" + functions + ")";
    }
    return text;
}

}  // namespace gdiObjectCount

#endif
