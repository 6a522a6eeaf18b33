// Plays one host event of a session script to a plug-in object and tells the
// transcript. A template, because the version-2 and the legacy GUI interfaces
// both have setPin and notifyPin but no common base. Used by run and show.
#pragma once

#include <cstdint>

#include "tools/session/Session.h"
#include "tools/session/SessionScript.h"
#include "tools/session/Transcript.h"

/// Plays a text, float, notify or wait event (a wait pumps the thread's
/// messages). A release event is the caller's, and is left alone here.
template <class GuiObject>
void playEvent(GuiObject& object, const ScriptEvent& event, Transcript& transcript) {
    switch (event.kind) {
        case ScriptEvent::Kind::Text: {
            transcript.delivering(event);
            const auto bytes = static_cast<std::int32_t>(event.text.size() * sizeof(char16_t));
            transcript.answered(event, object.setPin(event.pin, 0, bytes, event.text.data()));
            break;
        }
        case ScriptEvent::Kind::Float: {
            transcript.delivering(event);
            const float value = static_cast<float>(event.number);
            transcript.answered(event, object.setPin(event.pin, 0, sizeof value, &value));
            break;
        }
        case ScriptEvent::Kind::Notify:
            transcript.delivering(event);
            transcript.answered(event, object.notifyPin(event.pin, 0));
            break;
        case ScriptEvent::Kind::Wait:
            transcript.waiting(event);
            pumpMessagesFor(event.waitMs);
            break;
        case ScriptEvent::Kind::Release:
            break;
    }
}
