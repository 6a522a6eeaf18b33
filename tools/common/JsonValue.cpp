#include "tools/common/JsonValue.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

// Deeper documents are refused: the tree is freed recursively, and no pin
// description needs more than a few levels.
constexpr std::size_t maxDepth = 65;

/// "offset N" while the document is one line so far, else "line L, column C".
std::string placeOf(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    const std::size_t lineStart = text.substr(0, offset).rfind('\n');
    if (lineStart == std::string_view::npos) return "offset " + std::to_string(offset);
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset; ++i) line += text[i] == '\n';
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart);
}

/// What the reader's message says went wrong, in this program's words where
/// it has them: "syntax error while parsing value - unexpected '}'; expected
/// '[', '{', or a literal" becomes "expected a value".
std::string whatWentWrong(const std::string& message) {
    std::string what = message;
    const std::size_t dash = what.find(" - ");
    if (dash != std::string::npos) what.erase(0, dash + 3);
    // The text it last read is left out: it may hold raw control characters.
    const std::size_t lastRead = what.find("; last read: ");
    if (lastRead != std::string::npos) {
        const std::size_t expected = what.rfind("; expected");
        what = what.substr(0, lastRead) + (expected != std::string::npos && expected > lastRead ? what.substr(expected) : "");
    }
    if (what.rfind("unexpected end of input", 0) == 0) return "unexpected end of the document";
    if (what.size() >= 21 && what.compare(what.size() - 21, 21, "expected end of input") == 0) return "unexpected text after the document";
    if (what.find("expected '[', '{', or a literal") != std::string::npos) return "expected a value";
    return what;
}

/// The offset of the bracket that opens one level more than maxDepth.
std::size_t tooDeepAt(std::string_view text) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return text.size();
}

/// Builds the tree as the reader goes; members stay in document order.
class TreeBuilder final : public nlohmann::json_sax<Json> {
public:
    explicit TreeBuilder(JsonValue& document) : root(document) {}

    bool null() override { return put(JsonValue::Kind::Null) != nullptr; }
    bool boolean(bool value) override {
        put(JsonValue::Kind::Boolean)->boolean = value;
        return true;
    }
    bool number_integer(Json::number_integer_t value) override { return number(static_cast<double>(value)); }
    bool number_unsigned(Json::number_unsigned_t value) override { return number(static_cast<double>(value)); }
    bool number_float(Json::number_float_t value, const Json::string_t&) override { return number(value); }
    bool string(Json::string_t& value) override {
        put(JsonValue::Kind::String)->string = std::move(value);
        return true;
    }
    bool binary(Json::binary_t&) override { return false; }  // text has none
    bool start_object(std::size_t) override { return open(JsonValue::Kind::Object); }
    bool key(Json::string_t& name) override {
        open_.back()->members.push_back(JsonValue::Member{std::move(name), JsonValue()});
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(JsonValue::Kind::Array); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
        // The position counts the character the reader stopped at.
        errorOffset = position > 0 ? position - 1 : 0;
        errorText = whatWentWrong(error.what());
        return false;
    }

    bool tooDeep = false;
    std::size_t errorOffset = 0;
    std::string errorText;

private:
    JsonValue* put(JsonValue::Kind kind) {
        JsonValue* value = &root;
        if (!open_.empty()) {
            JsonValue& parent = *open_.back();
            if (parent.kind == JsonValue::Kind::Array) {
                parent.items.emplace_back();
                value = &parent.items.back();
            } else {
                value = &parent.members.back().value;
            }
        }
        value->kind = kind;
        return value;
    }
    bool number(double value) {
        put(JsonValue::Kind::Number)->number = value;
        return true;
    }
    bool open(JsonValue::Kind kind) {
        if (open_.size() >= maxDepth) {
            tooDeep = true;
            return false;
        }
        // Only the innermost open value grows, so the pointers to those around it stay valid.
        open_.push_back(put(kind));
        return true;
    }
    bool close() {
        open_.pop_back();
        return true;
    }

    JsonValue& root;
    std::vector<JsonValue*> open_;
};

}  // namespace

std::optional<JsonValue> JsonValue::parse(std::string_view text, std::string& error) {
    // Editors on Windows may start a UTF-8 file with a byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    JsonValue document;
    TreeBuilder builder(document);
    if (Json::sax_parse(text.begin(), text.end(), &builder)) return document;
    if (builder.tooDeep) error = placeOf(text, tooDeepAt(text)) + ": nested too deeply";
    else error = placeOf(text, builder.errorOffset) + ": " + builder.errorText;
    return std::nullopt;
}

const JsonValue* JsonValue::member(std::string_view name) const {
    for (const Member& entry : members)
        if (entry.name == name) return &entry.value;
    return nullptr;
}
