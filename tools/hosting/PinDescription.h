// The pin description a plug-in carries: for each class it offers, the type
// and direction of its pins. On Windows it is the library's RCDATA resource
// "PINDESCRIPTION"; beside any library it may be the file
// "<library path>.pins.json" (the only source natively, where a shared
// library has no resources). The host harness decodes pin values with it,
// checks session scripts against it, and validates it against the object.
//
//   {"classes":[{"identifier":"Orvex-Corvane","kind":2,"pins":[
//     {"index":0,"type":"text","direction":"in-out"},
//     {"index":1,"type":"float","direction":"in-out","repeat":true}]}]}
//
// "repeat":true stands for the pins index, index+1, ... up to "last", which
// defaults to repeatBound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class PinType { Text, Float };
enum class PinDirection { In, Out, InOut };

/// The highest pin index a repeated pin entry covers when it names no "last".
constexpr std::int32_t repeatBound = 65536;

struct PinEntry {
    std::int32_t index = 0;
    PinType type = PinType::Text;
    PinDirection direction = PinDirection::InOut;
    bool repeat = false;
    std::int32_t lastIndex = 0;  // the last index a repeated entry covers

    std::int32_t last() const { return repeat ? lastIndex : index; }
};

struct ClassPins {
    std::string identifier;  // UTF-8
    std::int32_t kind = 0;
    std::vector<PinEntry> pins;
    /// Where the description was read: its file, or the library's resource
    /// ("the PINDESCRIPTION resource of x.dll"); empty for one parsed from text.
    std::string source;

    /// The entry covering `pinIndex` (an exact entry before a repeated range), or null.
    const PinEntry* find(std::int32_t pinIndex) const;
};

struct PinDescription {
    std::vector<ClassPins> classes;

    /// Reads the JSON form; nullopt with `error` set when it is malformed or
    /// breaks a rule (unknown type, overlapping pins, index above the bound).
    static std::optional<PinDescription> parse(std::string_view json, std::string& error);

    /// Reads the description of the library file at `libraryPath` (UTF-8):
    /// its resource on Windows, else the side file. Throws HostError
    /// (BadPinDescription) when there is none or it cannot be read.
    static PinDescription loadFor(const std::string& libraryPath);

    /// Reads a description file given by the user. Throws HostError.
    static PinDescription loadFile(const std::string& path);

    /// The class (identifier, kind), or null.
    const ClassPins* find(std::string_view identifier, std::int32_t kind) const;
};

const char* pinTypeName(PinType type);
