#include "tools/Transcript.h"

#include <charconv>
#include <cmath>

#include "tools/HostText.h"
#include "tools/PinValue.h"

Transcript::Transcript(std::ostream& output, bool asJson, const ClassPins& classPins)
    : out(output), json(asJson), pins(classPins), start(std::chrono::steady_clock::now()) {}

std::string Transcript::stamp() const {
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, elapsed.count(), std::chars_format::fixed, 3).ptr;
    return std::string(text, end);
}

void Transcript::line(const std::string& textLine, const std::string& jsonMembers) {
    const std::string ms = stamp();
    if (json) out << "{\"ms\":" << ms << "," << jsonMembers << "}\n";
    else out << std::string(ms.size() < 10 ? 10 - ms.size() : 0, ' ') << ms << " ms  " << textLine << "\n";
    out.flush();
}

void Transcript::created() {
    const std::string kind = std::to_string(pins.kind);
    const auto identifier = utf8ToUtf16(pins.identifier).value_or(u"?");
    line("create " + quoteUtf16(identifier) + " kind " + kind,
         "\"event\":\"create\",\"class\":" + quoteUtf16(identifier) + ",\"kind\":" + kind);
}

void Transcript::attached(std::int32_t result) {
    line("setHost -> " + std::to_string(result), "\"event\":\"setHost\",\"result\":" + std::to_string(result));
}

void Transcript::delivering(const ScriptEvent& event) {
    std::string members = "\"pin\":" + std::to_string(event.pin);
    switch (event.kind) {
        case ScriptEvent::Kind::Text: members = "\"event\":\"text\"," + members + ",\"value\":" + quoteUtf16(event.text); break;
        case ScriptEvent::Kind::Float: {
            const float value = static_cast<float>(event.number);
            const std::string number = formatNumber(value);
            members = "\"event\":\"float\"," + members + ",\"value\":" + (std::isfinite(value) ? number : "\"" + number + "\"");
            break;
        }
        default: members = "\"event\":\"notify\"," + members; break;
    }
    line("> " + describeEvent(event), members);
}

void Transcript::answered(const ScriptEvent& event, std::int32_t result) {
    if (!json) return;
    const std::string call = event.kind == ScriptEvent::Kind::Notify ? "notifyPin" : "setPin";
    line({}, "\"event\":\"answer\",\"call\":\"" + call + "\",\"pin\":" + std::to_string(event.pin) +
                 ",\"result\":" + std::to_string(result));
}

void Transcript::waiting(const ScriptEvent& event) {
    line("> " + describeEvent(event), "\"event\":\"wait\",\"duration\":" + std::to_string(event.waitMs));
}

void Transcript::released(std::int32_t count, bool atEnd) {
    line(std::string("> release") + (atEnd ? " (end of script)" : "") + " -> " + std::to_string(count),
         "\"event\":\"release\",\"count\":" + std::to_string(count));
}

void Transcript::sent(const SentValue& value) {
    const DecodedValue decoded = decodeValue(value, pins);
    std::string text = "< pin " + std::to_string(value.pin) + " " + decoded.type + " " + decoded.text;
    std::string members = "\"event\":\"sent\",\"pin\":" + std::to_string(value.pin) + ",\"type\":\"" + decoded.type +
                          "\",\"value\":" + decoded.json + ",\"voice\":" + std::to_string(value.voice);
    if (value.voice != 0) text += " (voice " + std::to_string(value.voice) + ")";
    if (!decoded.problem.empty()) {
        text += "  !! " + decoded.problem;
        members += ",\"problem\":" + quoteUtf16(utf8ToUtf16(decoded.problem).value_or(u"?"));
    }
    line(text, members);
}
