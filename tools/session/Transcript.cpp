#include "tools/session/Transcript.h"

#include <charconv>
#include <cmath>

#include "tools/common/HostText.h"
#include "tools/hosting/PinValue.h"

Transcript::Transcript(std::ostream& output, bool asJson, const ClassPins& classPins, bool beQuiet)
    : out(output), json(asJson), quiet(beQuiet), pins(classPins), start(std::chrono::steady_clock::now()) {}

std::string Transcript::stamp() const {
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, elapsed.count(), std::chars_format::fixed, 3).ptr;
    return std::string(text, end);
}

void Transcript::line(const std::string& textLine, const std::string& jsonMembers) {
    if (quiet) return;
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

void Transcript::createdAttached(const ObjectProfile& profile) {
    const std::string kind = std::to_string(pins.kind);
    const auto identifier = utf8ToUtf16(pins.identifier).value_or(u"?");
    const std::string what = profile.describe();
    line("create " + quoteUtf16(identifier) + " kind " + kind + ", " + what + ", attached by createObject",
         "\"event\":\"create\",\"class\":" + quoteUtf16(identifier) + ",\"kind\":" + kind +
             ",\"object\":" + quoteUtf16(utf8ToUtf16(what).value_or(u"?")) + ",\"attachedBy\":\"createObject\"");
}

void Transcript::windowStep(const ScriptEvent& event, const std::string& note) {
    std::string members = "\"event\":\"window\",\"line\":" + std::to_string(event.line) + ",\"step\":" +
                          quoteUtf16(utf8ToUtf16(describeEvent(event)).value_or(u"?"));
    if (!note.empty()) members += ",\"note\":" + quoteUtf16(utf8ToUtf16(note).value_or(u"?"));
    line("> " + describeEvent(event) + (note.empty() ? "" : " (" + note + ")"), members);
}

void Transcript::requested(const std::string& what) {
    line("< request " + what, "\"event\":\"request\",\"request\":" + quoteUtf16(utf8ToUtf16(what).value_or(u"?")));
}

void Transcript::attached(std::int32_t result) {
    line("setHost -> " + std::to_string(result), "\"event\":\"setHost\",\"result\":" + std::to_string(result));
}

void Transcript::delivering(const ScriptEvent& event, bool reentrant) {
    std::string members = "\"line\":" + std::to_string(event.line) + ",\"pin\":" + std::to_string(event.pin);
    if (reentrant) members += ",\"inside\":\"sendPinValue\"";
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
    line("> " + describeEvent(event) + (reentrant ? " (inside sendPinValue)" : ""), members);
}

void Transcript::armed(const ScriptEvent& event) {
    line("> " + scriptLine(event), "\"event\":\"on-send\",\"line\":" + std::to_string(event.line) +
                                        ",\"armed\":" + quoteUtf16(utf8ToUtf16(describeEvent(event)).value_or(u"?")));
}

void Transcript::answered(const ScriptEvent& event, std::int32_t result) {
    if (!json) return;
    const std::string call = event.kind == ScriptEvent::Kind::Notify ? "notifyPin" : "setPin";
    line({}, "\"event\":\"answer\",\"call\":\"" + call + "\",\"pin\":" + std::to_string(event.pin) +
                 ",\"result\":" + std::to_string(result));
}

void Transcript::waiting(const ScriptEvent& event) {
    line("> " + describeEvent(event),
         "\"event\":\"wait\",\"line\":" + std::to_string(event.line) + ",\"duration\":" + std::to_string(event.waitMs));
}

void Transcript::released(std::int32_t count, bool atEnd, bool reentrant) {
    line(std::string("> release") + (atEnd ? " (end of script)" : reentrant ? " (inside sendPinValue)" : "") + " -> " +
             std::to_string(count),
         "\"event\":\"release\",\"count\":" + std::to_string(count) + (reentrant ? ",\"inside\":\"sendPinValue\"" : ""));
}

void Transcript::skipped(const ScriptEvent& event) {
    line("> " + describeEvent(event) + " (skipped: the object is released)",
         "\"event\":\"skipped\",\"line\":" + std::to_string(event.line));
}

void Transcript::sent(const SentValue& value, bool stray) {
    DecodedValue decoded = decodeValue(value, pins);
    // The host compared the value with the description; its word stands.
    decoded.problem = value.problem;
    if (stray)
        decoded.problem = "sent after the object was released" + (decoded.problem.empty() ? "" : "; " + decoded.problem);
    if (!decoded.problem.empty())
        contractProblems.push_back("sent on pin " + std::to_string(value.pin) + " (" + decoded.type + " " + decoded.text.substr(0, 40) +
                                   "): " + decoded.problem);
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

void Transcript::broken(const std::string& problem) {
    contractProblems.push_back(problem);
    line("!! " + problem, "\"event\":\"problem\",\"problem\":" + quoteUtf16(utf8ToUtf16(problem).value_or(u"?")));
}
