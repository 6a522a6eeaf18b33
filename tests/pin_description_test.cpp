// The pin description a host reads from the built library: the RCDATA
// resource PINDESCRIPTION inside the DLL, or the side file
// libcorvane.so.pins.json natively. Read back and held against what the
// described class does with values on those pins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "LoadedLibrary.h"
#include "testing/RecordingHost.h"
#include "factory/MpFactory.h"
#include "interfaces/IMpUserInterface2.h"

#ifdef _WIN32
#include <windows.h>
#endif

using corvane::testing::RecordingHost;

using namespace gmpi;

namespace {

/// Enough JSON for the description: objects, arrays, strings without
/// escapes, integers, true and false.
struct Json {
    std::string scalar;  // a string's text, a number's or literal's spelling
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const {
        const auto member = members.find(key);
        if (member == members.end()) throw std::runtime_error("no member " + key);
        return member->second;
    }
    bool has(const std::string& key) const { return members.count(key) != 0; }
    long number() const { return std::stol(scalar); }
};

class JsonReader {
public:
    explicit JsonReader(std::string text) : in(std::move(text)) {}
    Json document() {
        Json value = read();
        skipSpace();
        if (at != in.size()) throw std::runtime_error("text after the document");
        return value;
    }

private:
    Json read() {
        skipSpace();
        Json value;
        if (take('{')) {
            while (!take('}')) {
                take(',');
                skipSpace();
                const std::string key = read().scalar;
                skipSpace();
                if (!take(':')) throw std::runtime_error("expected ':'");
                value.members[key] = read();
                skipSpace();
            }
        } else if (take('[')) {
            while (!take(']')) {
                take(',');
                value.items.push_back(read());
                skipSpace();
            }
        } else if (take('"')) {
            const std::size_t end = in.find('"', at);
            if (end == std::string::npos) throw std::runtime_error("open string");
            value.scalar = in.substr(at, end - at);
            at = end + 1;
        } else {
            const std::size_t start = at;
            while (at < in.size() && (std::isalnum(static_cast<unsigned char>(in[at])) || in[at] == '-')) ++at;
            if (at == start) throw std::runtime_error("unexpected character at " + std::to_string(at));
            value.scalar = in.substr(start, at - start);
        }
        return value;
    }
    void skipSpace() {
        while (at < in.size() && std::isspace(static_cast<unsigned char>(in[at]))) ++at;
    }
    bool take(char c) {
        skipSpace();
        if (at < in.size() && in[at] == c) {
            ++at;
            return true;
        }
        return false;
    }

    std::string in;
    std::size_t at = 0;
};

/// The description as the host finds it next to or inside the library.
std::string readDescription() {
#ifdef _WIN32
    HMODULE module = LoadLibraryA(builtLibraryPath().c_str());
    if (module == nullptr) return {};
    std::string text;
    if (HRSRC found = FindResourceW(module, L"PINDESCRIPTION", MAKEINTRESOURCEW(10) /* RT_RCDATA */)) {
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        text.assign(bytes, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
#else
    std::ifstream file(builtLibraryPath() + ".pins.json", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
#endif
}

using PinDescription = LoadedLibrary;

TEST_F(PinDescription, TravelsWithTheLibraryAndMatchesTheClass) {
    const std::string text = readDescription();
    ASSERT_FALSE(text.empty()) << "no pin description found";
    const Json description = JsonReader(text).document();
    ASSERT_EQ(description["classes"].items.size(), 1u) << "the library registers one class";
    const Json& described = description["classes"].items[0];
    const std::string identifier = described["identifier"].scalar;
    EXPECT_EQ(identifier, "Orvex-Corvane");
    EXPECT_EQ(described["kind"].number(), ObjectKindGui);

    const std::u16string wideIdentifier(identifier.begin(), identifier.end());
    void* created = nullptr;
    ASSERT_EQ(factory->createObject2(wideIdentifier.c_str(), static_cast<std::int32_t>(described["kind"].number()),
                                     &created),
              ResultOk);
    auto* object = static_cast<IMpUserInterface2B*>(static_cast<IMpUnknown*>(created));
    RecordingHost host;
    ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);

    // Pins in index order, each index once, from 0 on.
    long nextIndex = 0;
    for (const Json& pin : described["pins"].items) {
        const long index = pin["index"].number();
        SCOPED_TRACE("pin " + std::to_string(index));
        EXPECT_EQ(index, nextIndex);
        EXPECT_EQ(pin["direction"].scalar, "in-out");
        const std::string type = pin["type"].scalar;
        const bool repeats = pin.has("repeat") && pin["repeat"].scalar == "true";
        const long last = repeats ? pin["last"].number() : index;
        nextIndex = last + 1;
        host.sent.clear();
        if (type == "text") {
            const std::u16string value = u"2.5";
            EXPECT_EQ(object->setPin(static_cast<std::int32_t>(index), 0, 6, value.data()), ResultOk);
        } else if (type == "float") {
            // Each float pin takes its value into the text, up to the last one.
            const float value = 2.5f;
            for (const long k : {index, last}) {
                host.sent.clear();
                object->setPin(static_cast<std::int32_t>(k), 0, sizeof value, &value);
                ASSERT_EQ(host.sent.size(), 1u) << "pin " << k;
                const std::u16string written = host.sent[0].text();
                EXPECT_EQ(std::count(written.begin(), written.end(), u',') + 1, k) << "pin " << k;
                EXPECT_EQ(written.substr(written.size() - 6), u"2.5000");
            }
            host.sent.clear();
            EXPECT_EQ(object->setPin(static_cast<std::int32_t>(last + 1), 0, sizeof value, &value), ResultFail);
            EXPECT_TRUE(host.sent.empty()) << "no pin beyond the last";
        } else {
            ADD_FAILURE() << "unknown pin type " << type;
        }
    }
    EXPECT_EQ(object->release(), 0);
}

}  // namespace
