#include "tools/hosting/PinDescription.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/common/HostError.h"
#include "tools/common/JsonValue.h"
#include "tools/common/HostText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::optional<std::int32_t> integerOf(const JsonValue* value) {
    if (value == nullptr || value->kind != JsonValue::Kind::Number) return std::nullopt;
    const double number = value->number;
    if (number < INT32_MIN || number > INT32_MAX || number != static_cast<double>(static_cast<std::int32_t>(number)))
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

const JsonValue* stringMember(const JsonValue& object, std::string_view name) {
    const JsonValue* value = object.member(name);
    return value != nullptr && value->kind == JsonValue::Kind::String ? value : nullptr;
}

bool readPin(const JsonValue& entry, PinEntry& pin, std::string& error) {
    if (entry.kind != JsonValue::Kind::Object) return error = "a pin is not an object", false;
    const auto index = integerOf(entry.member("index"));
    if (!index || *index < 0) return error = "a pin has no \"index\" (a 32-bit integer, 0 or more)", false;
    pin.index = *index;
    const std::string where = "pin " + std::to_string(pin.index) + ": ";

    const JsonValue* type = stringMember(entry, "type");
    if (type == nullptr || (type->string != "text" && type->string != "float"))
        return error = where + "\"type\" must be \"text\" or \"float\"", false;
    pin.type = type->string == "text" ? PinType::Text : PinType::Float;

    const JsonValue* direction = stringMember(entry, "direction");
    if (direction == nullptr) return error = where + "no \"direction\"", false;
    if (direction->string == "in") pin.direction = PinDirection::In;
    else if (direction->string == "out") pin.direction = PinDirection::Out;
    else if (direction->string == "in-out") pin.direction = PinDirection::InOut;
    else return error = where + "\"direction\" must be \"in\", \"out\" or \"in-out\"", false;

    const JsonValue* repeat = entry.member("repeat");
    if (repeat != nullptr && repeat->kind != JsonValue::Kind::Boolean)
        return error = where + "\"repeat\" must be true or false", false;
    pin.repeat = repeat != nullptr && repeat->boolean;

    const JsonValue* last = entry.member("last");
    pin.lastIndex = std::max(pin.index, repeatBound);
    if (last != nullptr) {
        const auto lastIndex = integerOf(last);
        if (!pin.repeat) return error = where + "\"last\" needs \"repeat\":true", false;
        if (!lastIndex || *lastIndex < pin.index)
            return error = where + "\"last\" must be a 32-bit integer not below the index", false;
        pin.lastIndex = *lastIndex;
    }
    return true;
}

bool readClass(const JsonValue& entry, ClassPins& pins, std::string& error) {
    if (entry.kind != JsonValue::Kind::Object) return error = "a class is not an object", false;
    const JsonValue* identifier = stringMember(entry, "identifier");
    if (identifier == nullptr || identifier->string.empty()) return error = "a class has no \"identifier\"", false;
    pins.identifier = identifier->string;
    const auto kind = integerOf(entry.member("kind"));
    if (!kind) return error = "class " + pins.identifier + ": \"kind\" is not a 32-bit integer", false;
    pins.kind = *kind;

    const JsonValue* list = entry.member("pins");
    if (list == nullptr || list->kind != JsonValue::Kind::Array)
        return error = "class " + pins.identifier + ": \"pins\" is not an array", false;
    for (const JsonValue& item : list->items) {
        PinEntry pin;
        if (!readPin(item, pin, error)) return error = "class " + pins.identifier + ", " + error, false;
        for (const PinEntry& other : pins.pins) {
            if (pin.index <= other.last() && other.index <= pin.last())
                return error = "class " + pins.identifier + ": pins " + std::to_string(pin.index) + " and " +
                               std::to_string(other.index) + " overlap",
                       false;
        }
        pins.pins.push_back(pin);
    }
    return true;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    // A folder opens as a stream on some systems and then reads as empty.
    std::error_code ignored;
    if (std::filesystem::is_directory(pathFromUtf8(path), ignored)) return std::nullopt;
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// `where` names the description's origin in what the harness says of a pin.
PinDescription parseOrThrow(std::string_view json, const std::string& source, const std::string& where) {
    std::string error;
    auto description = PinDescription::parse(json, error);
    if (!description) throw HostError(ExitCode::BadPinDescription, "pin description of " + source + ": " + error);
    for (ClassPins& pins : description->classes) pins.source = where;
    return std::move(*description);
}

#ifdef _WIN32
// The RCDATA resource "PINDESCRIPTION", read from the file mapped as data so
// that no code of the library runs.
std::optional<std::string> readResource(const std::string& libraryPath) {
    const auto wide = utf8ToUtf16(libraryPath);
    if (!wide) return std::nullopt;
    const std::wstring path(wide->begin(), wide->end());
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return std::nullopt;
    std::optional<std::string> text;
    if (HRSRC found = FindResourceW(module, L"PINDESCRIPTION", MAKEINTRESOURCEW(10) /* RT_RCDATA */)) {
        const DWORD size = SizeofResource(module, found);
        HGLOBAL loaded = LoadResource(module, found);
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes != nullptr) text.emplace(static_cast<const char*>(bytes), size);
    }
    FreeLibrary(module);
    return text;
}
#endif

}  // namespace

const PinEntry* ClassPins::find(std::int32_t pinIndex) const {
    const PinEntry* range = nullptr;
    for (const PinEntry& pin : pins) {
        if (pin.index == pinIndex) return &pin;
        if (pin.repeat && pinIndex > pin.index && pinIndex <= pin.last()) range = &pin;
    }
    return range;
}

std::optional<PinDescription> PinDescription::parse(std::string_view json, std::string& error) {
    auto document = JsonValue::parse(json, error);
    if (!document) return std::nullopt;
    const JsonValue* classes = document->member("classes");
    if (classes == nullptr || classes->kind != JsonValue::Kind::Array || classes->items.empty()) {
        error = "no \"classes\" array with at least one class";
        return std::nullopt;
    }
    PinDescription description;
    for (const JsonValue& item : classes->items) {
        ClassPins pins;
        if (!readClass(item, pins, error)) return std::nullopt;
        if (description.find(pins.identifier, pins.kind) != nullptr) {
            error = "class " + pins.identifier + " is described twice";
            return std::nullopt;
        }
        description.classes.push_back(std::move(pins));
    }
    return description;
}

PinDescription PinDescription::loadFor(const std::string& libraryPath) {
#ifdef _WIN32
    if (const auto text = readResource(libraryPath))
        return parseOrThrow(*text, libraryPath, "the PINDESCRIPTION resource of " + libraryPath);
#endif
    const std::string sideFile = libraryPath + ".pins.json";
    if (const auto text = readWholeFile(sideFile)) return parseOrThrow(*text, libraryPath, sideFile);
#ifdef _WIN32
    const char* where = "no PINDESCRIPTION resource and no ";
#else
    const char* where = "no ";
#endif
    throw HostError(ExitCode::BadPinDescription,
                    libraryPath + " has no pin description: " + where + sideFile + " (give one with --pins FILE)");
}

PinDescription PinDescription::loadFile(const std::string& path) {
    const auto text = readWholeFile(path);
    if (!text) throw HostError(ExitCode::MissingFile, "cannot read the pin description file " + path);
    return parseOrThrow(*text, path, path);
}

const ClassPins* PinDescription::find(std::string_view identifier, std::int32_t kind) const {
    for (const ClassPins& pins : classes)
        if (pins.identifier == identifier && pins.kind == kind) return &pins;
    return nullptr;
}

const char* pinTypeName(PinType type) { return type == PinType::Text ? "text" : "float"; }
