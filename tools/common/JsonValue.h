// A JSON document read into a tree, members in document order: the pin
// description that plug-ins carry, and the harness's own JSON output in its
// tests. Read by nlohmann-json (RFC 8259: every escape, no raw control
// characters, no leading zeros), with this program's own error messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    /// Reads one complete document; nullopt with `error` set: "offset N: what"
    /// on a document's first line, "line L, column C: what" past it.
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
