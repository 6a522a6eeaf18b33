// The export when the factory could not be made as the library loaded: this
// program holds the factory's code but registers no class, so the test's own
// MP_GetFactory call is the factory's first use, with memory running out.
#include <gtest/gtest.h>

#include "FailingAllocator.h"
#include "TestSupport.h"
#include "factory/Export.h"

using namespace gmpi;

TEST(FactoryFirstUse, OutOfMemoryAnswersFailUntilTheFactoryCanBeMade) {
    void* out = sentinel();
    std::int32_t result = ResultOk;
    {
        AllocationFault fault(0);
        result = MP_GetFactory(&out);
        EXPECT_TRUE(fault.end()) << "making the factory allocates";
    }
    EXPECT_EQ(result, ResultFail);
    EXPECT_EQ(out, nullptr);

    void* first = nullptr;
    ASSERT_EQ(MP_GetFactory(&first), ResultOk) << "the next call makes the factory";
    ASSERT_NE(first, nullptr);
    void* second = nullptr;
    EXPECT_EQ(MP_GetFactory(&second), ResultOk);
    EXPECT_EQ(second, first);
}
