// A JSON document read into a tree: enough JSON for the pin description that
// plug-ins carry (objects, arrays, strings, numbers, true, false, null).
// Used by PinDescription.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    /// Reads one complete document; nullopt with `error` set ("offset N: ...").
    static std::optional<JsonValue> parse(std::string_view text, std::string& error);

    /// The member called `name` of an object, or null (also for non-objects).
    const JsonValue* member(std::string_view name) const;

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;                                     // UTF-8
    std::vector<JsonValue> items;                           // Array
    struct Member;
    std::vector<Member> members;                            // Object, in document order
};

struct JsonValue::Member {
    std::string name;
    JsonValue value;
};
