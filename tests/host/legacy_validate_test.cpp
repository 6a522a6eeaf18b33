// validate on legacy objects: each fault planted in the legacy test plug-in
// is failed by the check meant for it, and by that check alone, with a
// message that says what the host did.
#include <gtest/gtest.h>

#include <cstdlib>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"

TEST(LegacyValidate, EachPlantedFaultFailsItsCheck) {
    struct Row {
        const char* variant;
        const char* check;
        const char* detail;  // the first line of the check's message
        int failed = 1;      // a send breaking the description fails every check that draws it
    };
    const Row cases[] = {
        {"view_own_count", "object-counting",
         "after a successful query for IZuGraphicsComposited through the primary pointer the count is 4 (want 5)"},
        {"view_identity", "object-identity", "IMpUnknown asked through the object's IZuGraphicsComposited view gives "},
        {"accepts_any_host", "legacy-set-host", "createObject with a host without IGuiHost answered 0 (want -1)"},
        {"throw_escapes", "legacy-set-host",
         "the text \"host Interfaces not supported\" came out of createObject with a host without IGuiHost"},
        {"leaks_on_refusal", "legacy-set-host",
         "createObject with a host without IGuiHost handed out the object; its one release answered 1 (want 0: the object leaks)"},
        {"undescribed_send", "pin-description",
         "sent on pin 100000 (raw bytes[4] 0000c03f) during notifyPin(1): pin 100000 is not in the pin description (", 5},
    };
#if defined(__SANITIZE_ADDRESS__)
    // Two variants leak their object on purpose (the fault the check finds):
    // the check's process must end with its findings, not on the leak
    // checker's report of that same object.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
#endif
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant);
        const ChildOutcome outcome = host({"validate", legacyPlugin(row.variant)});
        EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::ChecksFailed));
        const std::string output = maskTimes(outcome.output);
        EXPECT_TRUE(contains(output, std::string("FAIL  ") + row.check + "\n      " + row.detail)) << output;
        EXPECT_TRUE(contains(output, " passed, " + std::to_string(row.failed) + " failed\n")) << output;
    }
}

TEST(LegacyValidate, ChecksSaysWhichFamiliesEachCovers) {
    const ChildOutcome outcome = host({"checks"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    for (const char* line : {"export-table                [library]", "object-counting             [version-2, legacy]",
                             "set-host                    [version-2]", "legacy-set-host             [legacy]"})
        EXPECT_TRUE(contains(outcome.output, std::string("\n") + line) || outcome.output.rfind(line, 0) == 0) << line;
}
