#include "gui/CallInProgress.h"

// Both are kept out of line, so that their return address lies in the
// function whose frame they speak of.
void CallInProgress::begin(const void* key, unsigned up) noexcept {
    place = platform::framePlace(CORVANE_RETURN_ADDRESS(), up);
    recordedKey = key;
    inProgress = true;
}

bool CallInProgress::enclosesCaller(const void* key, unsigned up) const noexcept {
    if (!inProgress) return false;
    if (!place.known()) return true;
    switch (platform::frameEncloses(place, CORVANE_RETURN_ADDRESS(), up)) {
    case platform::Encloses::no: return false;
    case platform::Encloses::itself: return key != nullptr && key != recordedKey;
    case platform::Encloses::yes:
    case platform::Encloses::unknown: break;
    }
    return true;
}
