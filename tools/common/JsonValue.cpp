#include "tools/common/JsonValue.h"

#include <charconv>

#include "tools/common/HostText.h"

namespace {

// Recursive descent over the text; depth is bounded so a hostile file cannot
// exhaust the stack.
class Reader {
public:
    explicit Reader(std::string_view text) : in(text) {}

    bool document(JsonValue& out) {
        if (!value(out, 0)) return false;
        skipSpace();
        return at == in.size() || fail("unexpected text after the document");
    }

    std::string error;

private:
    static constexpr int maxDepth = 64;

    bool fail(const std::string& what) {
        if (error.empty()) error = "offset " + std::to_string(at) + ": " + what;
        return false;
    }

    void skipSpace() {
        while (at < in.size() && (in[at] == ' ' || in[at] == '\t' || in[at] == '\n' || in[at] == '\r')) ++at;
    }

    bool literal(std::string_view word) {
        if (in.substr(at, word.size()) != word) return fail("expected a value");
        at += word.size();
        return true;
    }

    bool value(JsonValue& out, int depth) {
        if (depth > maxDepth) return fail("nested too deeply");
        skipSpace();
        if (at >= in.size()) return fail("unexpected end of the document");
        switch (in[at]) {
            case '{': return object(out, depth);
            case '[': return array(out, depth);
            case '"': out.kind = JsonValue::Kind::String; return text(out.string);
            case 't': out.kind = JsonValue::Kind::Boolean; out.boolean = true; return literal("true");
            case 'f': out.kind = JsonValue::Kind::Boolean; return literal("false");
            case 'n': return literal("null");
            default: return number(out);
        }
    }

    bool number(JsonValue& out) {
        // from_chars takes no leading '+', as JSON; it also reads "inf" and
        // "nan", which JSON does not have, so the first character must be a digit or '-'.
        if (in[at] != '-' && (in[at] < '0' || in[at] > '9')) return fail("expected a value");
        const auto [end, ec] = std::from_chars(in.data() + at, in.data() + in.size(), out.number);
        if (ec != std::errc()) return fail("expected a number");
        at = static_cast<std::size_t>(end - in.data());
        out.kind = JsonValue::Kind::Number;
        return true;
    }

    bool text(std::string& out) {
        // JSON strings use the same escapes as the harness's quoted texts.
        std::size_t consumed = 0;
        std::string why;
        const auto units = unquoteUtf16(in.substr(at), consumed, why);
        if (!units) return fail(why);
        out = utf16ToUtf8(*units);
        at += consumed;
        return true;
    }

    bool array(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Array;
        ++at;
        skipSpace();
        if (at < in.size() && in[at] == ']') return ++at, true;
        for (;;) {
            out.items.emplace_back();
            if (!value(out.items.back(), depth + 1)) return false;
            skipSpace();
            if (at < in.size() && in[at] == ',') { ++at; continue; }
            if (at < in.size() && in[at] == ']') return ++at, true;
            return fail("expected ',' or ']'");
        }
    }

    bool object(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Object;
        ++at;
        skipSpace();
        if (at < in.size() && in[at] == '}') return ++at, true;
        for (;;) {
            skipSpace();
            std::string name;
            if (at >= in.size() || in[at] != '"') return fail("expected a member name in double quotes");
            if (!text(name)) return false;
            skipSpace();
            if (at >= in.size() || in[at] != ':') return fail("expected ':'");
            ++at;
            out.members.push_back(JsonValue::Member{std::move(name), JsonValue()});
            if (!value(out.members.back().value, depth + 1)) return false;
            skipSpace();
            if (at < in.size() && in[at] == ',') { ++at; continue; }
            if (at < in.size() && in[at] == '}') return ++at, true;
            return fail("expected ',' or '}'");
        }
    }

    std::string_view in;
    std::size_t at = 0;
};

}  // namespace

std::optional<JsonValue> JsonValue::parse(std::string_view text, std::string& error) {
    // Editors on Windows may start a UTF-8 file with a byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Reader reader(text);
    JsonValue out;
    if (!reader.document(out)) {
        error = reader.error;
        return std::nullopt;
    }
    return out;
}

const JsonValue* JsonValue::member(std::string_view name) const {
    for (const Member& entry : members)
        if (entry.name == name) return &entry.value;
    return nullptr;
}
