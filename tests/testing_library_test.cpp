// Corvane::testing's own contract where the tests built on it do not reach:
// what createVersion2 answers for each outcome of creating and attaching,
// and that the object comes back whenever one was made.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "testing/ModuleFactory.h"
#include "testing/RecordingHost.h"

using corvane::testing::RecordingHost;

TEST(TestingLibrary, CreateVersion2AnswersWhatTheFactoryAndSetHostAnswered) {
    struct Row {
        const char* name;
        const char16_t* identifier;
        bool withHost;
        bool hostAnswersGuiHost2;
        std::int32_t result;
        bool made;
        int hostQueries;
    } rows[] = {
        {"attached", u"Orvex-Corvane", true, true, gmpi::ResultOk, true, 1},
        {"no host given: not attached", u"Orvex-Corvane", false, true, gmpi::ResultOk, true, 0},
        {"the host lacks IGuiHost2: setHost's answer, object kept", u"Orvex-Corvane", true, false,
         gmpi::ResultNoInterface, true, 1},
        {"unregistered class", u"Orvex-NoSuchClass", true, true, gmpi::ResultNoInterface, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingHost host;
        host.answersGuiHost2 = row.hostAnswersGuiHost2;
        const auto created = corvane::testing::createVersion2(row.identifier, row.withHost ? host.asUnknown() : nullptr);
        EXPECT_EQ(created.result, row.result);
        EXPECT_EQ(host.queries, row.hostQueries);
        ASSERT_EQ(created.object != nullptr, row.made);
        if (created.object != nullptr) {
            EXPECT_EQ(created.object->release(), 0);
        }
    }
}
