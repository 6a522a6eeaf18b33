// Prints a session as it happens: every host event the script plays and every
// value the object sends, each with the milliseconds since the session
// started; as aligned text lines or, with --json, one JSON object per line.
// Used by the session runner; each line is flushed at once, so a crash
// leaves the transcript up to the fatal call.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/hosting/GuiObject.h"
#include "tools/hosting/HostObject.h"
#include "tools/hosting/PinDescription.h"
#include "tools/session/SessionScript.h"

class Transcript {
public:
    /// `quiet` prints nothing but still records the contract breaks.
    Transcript(std::ostream& out, bool json, const ClassPins& pins, bool quiet = false);

    void created();
    /// A legacy object, made and attached by the factory's createObject:
    /// the create line says what the object is.
    void createdAttached(const ObjectProfile& profile);
    /// A window line, printed before its calls (which follow as lines of
    /// their own, see line()) and what the object sends meanwhile.
    /// `note` ("to the plug-in's window", ...) is added in parentheses.
    void windowStep(const ScriptEvent& event, const std::string& note = {});
    /// A request of a composited object to its host ("invalidate", "setCapture", ...).
    void requested(const std::string& what);
    void attached(std::int32_t result);
    /// A text, float or notify event, printed before the call so that the
    /// values the object sends during it follow it. `reentrant` when the host
    /// plays it from inside the object's sendPinValue (an on-send event).
    void delivering(const ScriptEvent& event, bool reentrant = false);
    /// An on-send event armed.
    void armed(const ScriptEvent& event);
    /// What the object answered to it: a line of its own with --json only,
    /// since objects answer ResultFail for pins without a pin object, which
    /// is no error a reader of the text form needs to see.
    void answered(const ScriptEvent& event, std::int32_t result);
    void waiting(const ScriptEvent& event);
    /// `count` is what release answered; `atEnd` when the script had no
    /// release; `reentrant` when played from inside sendPinValue.
    void released(std::int32_t count, bool atEnd, bool reentrant = false);
    /// An event that needs the object, after it was released from inside a send.
    void skipped(const ScriptEvent& event);
    /// A value the object sent; one that breaks the contract is marked and
    /// recorded. `stray` when it came while the host was in no call of the
    /// object's and had released it: from an object the host let go of.
    void sent(const SentValue& value, bool stray = false);
    /// Any other contract break of the object, marked and recorded.
    void broken(const std::string& problem);

    /// Every contract break so far, in order.
    const std::vector<std::string>& problems() const { return contractProblems; }
    /// A step of the caller's own (the host calls of window lines): the
    /// text line, or with --json the members of its object.
    void line(const std::string& textLine, const std::string& jsonMembers);

private:
    std::string stamp() const;

    std::ostream& out;
    const bool json;
    const bool quiet;
    const ClassPins& pins;
    std::vector<std::string> contractProblems;
    const std::chrono::steady_clock::time_point start;
};
