// Decodes a value an object sent by its pin's type in the pin description:
// texts as text, floats as numbers, anything malformed as raw bytes with the
// reason. Used by the transcript and by the validator's checks.
#pragma once

#include <string>

#include "tools/hosting/HostObject.h"
#include "tools/hosting/PinDescription.h"

struct DecodedValue {
    std::string type;     // "text", "float", or "raw" for an undescribed pin
    std::string text;     // for people: a quoted text, a number, or hex bytes
    std::string json;     // a JSON value: string, number, or a string for inf/nan/bytes
    std::string problem;  // empty when the value is well-formed for its pin
    bool bytesWrong = false;  // the problem is the bytes (size, data), not the pin they went to
};

DecodedValue decodeValue(const SentValue& value, const ClassPins& pins);
