// Identity checks for objects with several views: every view answers every
// identifier as the primary pointer does, with one added reference per
// success and none per refusal.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "TestSupport.h"
#include "interfaces/IMpUnknown.h"
#include "interfaces/InterfaceIds.h"

struct ExpectedView {
    const char* name;
    gmpi::InterfaceId iid;
    void* pointer;  // the view the object must hand out for iid
};

struct RefusedId {
    const char* name;
    gmpi::InterfaceId iid;
};

inline gmpi::InterfaceId withLastByteChanged(gmpi::InterfaceId iid) {
    iid.data4[7] ^= 1;
    return iid;
}

/// Queries every identifier through every view of the object (each
/// `views` pointer); `views` must include IMpUnknown with the primary pointer.
inline void expectViews(gmpi::IMpUnknown* primary, std::initializer_list<ExpectedView> views,
                        std::initializer_list<RefusedId> refused) {
    const std::int32_t count = refCountOf(primary);
    for (const ExpectedView& through : views) {
        SCOPED_TRACE(std::string("through the view of ") + through.name);
        auto* view = static_cast<gmpi::IMpUnknown*>(through.pointer);
        for (const ExpectedView& wanted : views) {
            SCOPED_TRACE(std::string("asking for ") + wanted.name);
            void* out = sentinel();
            ASSERT_EQ(view->queryInterface(wanted.iid, &out), gmpi::ResultOk);
            EXPECT_EQ(out, wanted.pointer);
            EXPECT_REF(primary, count + 1);
            EXPECT_EQ(static_cast<gmpi::IMpUnknown*>(out)->release(), count);
        }
        for (const RefusedId& id : refused) {
            SCOPED_TRACE(std::string("asking for ") + id.name);
            void* out = sentinel();
            EXPECT_EQ(view->queryInterface(id.iid, &out), gmpi::ResultNoInterface);
            EXPECT_EQ(out, nullptr);
            EXPECT_REF(primary, count);
        }
        EXPECT_EQ(view->queryInterface(gmpi::IID_IMpUnknown, nullptr), gmpi::ResultFail);
    }
}
