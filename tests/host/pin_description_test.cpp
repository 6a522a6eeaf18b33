// The pin description reader: the JSON a plug-in carries, what it makes of
// it, and the rules it enforces.
#include <gtest/gtest.h>

#include "tools/hosting/PinDescription.h"
#include "tools/hosting/PinValue.h"

TEST(PinDescription, ReadsClassesAndFindsPinsThroughRepeatedEntries) {
    std::string error;
    const auto description = PinDescription::parse(
        R"({"classes":[{"identifier":"Orvex-Corvane","kind":2,"pins":[
             {"index":0,"type":"text","direction":"in-out"},
             {"index":1,"type":"float","direction":"in-out","repeat":true}], "comment": ["ignored", {}]},
           {"identifier":"Other","kind":-1,"pins":[{"index":3,"type":"float","direction":"out","repeat":false},
             {"index":5,"type":"text","direction":"in","repeat":true,"last":7}]}]})",
        error);
    ASSERT_TRUE(description) << error;
    ASSERT_EQ(description->classes.size(), 2u);
    const ClassPins* corvane = description->find("Orvex-Corvane", 2);
    ASSERT_NE(corvane, nullptr);
    EXPECT_EQ(description->find("Orvex-Corvane", 3), nullptr);
    EXPECT_EQ(description->find("orvex-corvane", 2), nullptr);

    struct Row {
        std::int32_t pin;
        bool found;
        PinType type;
    };
    for (const Row& row : {Row{0, true, PinType::Text}, Row{1, true, PinType::Float}, Row{2, true, PinType::Float},
                           Row{65536, true, PinType::Float}, Row{65537, false, {}}, Row{-1, false, {}}}) {
        SCOPED_TRACE(row.pin);
        const PinEntry* pin = corvane->find(row.pin);
        ASSERT_EQ(pin != nullptr, row.found);
        if (pin != nullptr) {
            EXPECT_EQ(pin->type, row.type);
        }
    }
    EXPECT_TRUE(PinDescription::parse("\xEF\xBB\xBF{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[]}]}", error))
        << "a byte order mark is no error: " << error;
    const ClassPins* other = description->find("Other", -1);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->find(3)->direction, PinDirection::Out);
    EXPECT_EQ(other->find(4), nullptr);
    EXPECT_EQ(other->find(7)->type, PinType::Text);
    EXPECT_EQ(other->find(8), nullptr);
}

TEST(PinDescription, RefusesMalformedDescriptions) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "offset 0: unexpected end of the document"},
        {"{\"classes\":[]}", "no \"classes\" array with at least one class"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[]}]} x", "offset 52: unexpected text after the document"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[}]}", "offset 47: expected a value"},
        {"{\"classes\":[{\"kind\":2,\"pins\":[]}]}", "a class has no \"identifier\""},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2.5,\"pins\":[]}]}", "class A: \"kind\" is not a 32-bit integer"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2}]}", "class A: \"pins\" is not an array"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[{\"index\":-1,\"type\":\"text\",\"direction\":\"in\"}]}]}",
         "class A, a pin has no \"index\" (a 32-bit integer, 0 or more)"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[{\"index\":0,\"type\":\"int\",\"direction\":\"in\"}]}]}",
         "class A, pin 0: \"type\" must be \"text\" or \"float\""},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[{\"index\":0,\"type\":\"text\",\"direction\":\"up\"}]}]}",
         "class A, pin 0: \"direction\" must be \"in\", \"out\" or \"in-out\""},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[{\"index\":0,\"type\":\"text\",\"direction\":\"in\",\"repeat\":1}]}]}",
         "class A, pin 0: \"repeat\" must be true or false"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[{\"index\":0,\"type\":\"text\",\"direction\":\"in\",\"last\":4}]}]}",
         "class A, pin 0: \"last\" needs \"repeat\":true"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[{\"index\":5,\"type\":\"text\",\"direction\":\"in\",\"repeat\":true,\"last\":4}]}]}",
         "class A, pin 5: \"last\" must be a 32-bit integer not below the index"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[{\"index\":1,\"type\":\"float\",\"direction\":\"in\",\"repeat\":true},"
         "{\"index\":7,\"type\":\"text\",\"direction\":\"in\"}]}]}",
         "class A: pins 7 and 1 overlap"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":2,\"pins\":[]},{\"identifier\":\"A\",\"kind\":2,\"pins\":[]}]}",
         "class A is described twice"},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]",
         "offset 65: nested too deeply"},
    };
    for (const auto& [json, message] : cases) {
        SCOPED_TRACE(json);
        std::string error;
        EXPECT_FALSE(PinDescription::parse(json, error));
        EXPECT_EQ(error, message);
    }
}

TEST(PinDescription, ReadsJsonAsTheStandardHasIt) {
    // Every escape the standard has is read; raw control characters and
    // leading zeros are not JSON. Past the first line, errors give line and column.
    const std::string before = "{\"classes\":[{\"identifier\":\"";
    const std::string after = "\",\"kind\":2,\"pins\":[]}]}";
    std::string error;
    const auto escaped = PinDescription::parse(before + "a\\/b\\b\\f\\n\\u00e9\\ud83c\\udfb5" + after, error);
    ASSERT_TRUE(escaped) << error;
    EXPECT_EQ(escaped->classes[0].identifier, "a/b\b\f\n\xC3\xA9\xF0\x9F\x8E\xB5");

    const std::pair<std::string, std::string> refused[] = {
        {before + "a\tb" + after, "offset 28: invalid string: control character U+0009 (HT) must be escaped to \\u0009 or \\t"},
        {"{\"classes\":[{\"identifier\":\"A\",\"kind\":02,\"pins\":[]}]}", "offset 38: unexpected number literal; expected '}'"},
        {"{\"classes\":[\n  {\"identifier\":\"A\",\n   \"kind\":2 \"pins\":[]}]}", "line 3, column 18: unexpected string literal; expected '}'"},
        {before + "\\x" + after, "offset 28: invalid string: forbidden character after backslash"},
    };
    for (const auto& [json, message] : refused) {
        SCOPED_TRACE(json);
        EXPECT_FALSE(PinDescription::parse(json, error));
        EXPECT_EQ(error, message);
    }
}

TEST(PinDescription, DecodesSentValuesAndTellsWrongBytesFromAWrongPin) {
    const ClassPins pins{"A", 2,
                         {{0, PinType::Text, PinDirection::InOut, false, 0},
                          {1, PinType::Float, PinDirection::Out, true, 4},
                          {9, PinType::Float, PinDirection::In, false, 9}},
                         "a.pins.json"};
    const auto value = [](std::int32_t pin, std::vector<unsigned char> bytes, std::int32_t size = -2) {
        SentValue sent;
        sent.pin = pin;
        sent.byteSize = size == -2 ? static_cast<std::int32_t>(bytes.size()) : size;
        sent.bytes = std::move(bytes);
        return sent;
    };
    struct Row {
        SentValue sent;
        const char* text;
        const char* problem;
        bool bytesWrong;
    };
    const Row cases[] = {
        {value(0, {'a', 0, 'b', 0}), "\"ab\"", "", false},
        {value(2, {0, 0, 0xC0, 0x3F}), "1.5", "", false},
        {value(0, {'a', 0, 'b'}), "bytes[3] 610062", "a text pin value has an odd byte size (3): a text is whole UTF-16 units", true},
        {value(2, {0, 0, 0xC0}), "bytes[3] 0000c0", "a float pin value has 4 bytes", true},
        {value(2, {0, 0, 0xC0, 0x3F, 0}), "bytes[5] 0000c03f00", "a float pin value has 4 bytes", true},
        {value(0, {}, -4), "bytes[-4] -", "negative byte size", true},
        {value(5, {0, 0, 0xC0, 0x3F}), "bytes[4] 0000c03f", "pin 5 is not in the pin description (a.pins.json)", false},
        {value(9, {0, 0, 0xC0, 0x3F}), "1.5", "pin 9 is an input pin", false},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.text);
        const DecodedValue decoded = decodeValue(row.sent, pins);
        EXPECT_EQ(decoded.text, row.text);
        EXPECT_EQ(decoded.problem, row.problem);
        EXPECT_EQ(decoded.bytesWrong, row.bytesWrong);
    }
}
