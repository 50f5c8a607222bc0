#include "pms/auto_json_ptr.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {
TEST(AutoJsonPtr, AttachTakesOwnershipOnlyWhenAllowedToReplace) {
    auto* first = new nlohmann::json(1);
    auto* second = new nlohmann::json(2);
    CAutoJsonPtr owner(first);
    EXPECT_EQ(owner.Attach(nullptr, true), -1);
    EXPECT_EQ(owner.Attach(second, false), -7);
    EXPECT_EQ(owner.Get(), first);
    // Attaching what is held keeps it (no release of the document in use).
    EXPECT_EQ(owner.Attach(first, true), 1);
    EXPECT_EQ(*owner.Get(), 1);
    // Replacing frees the first document (AddressSanitizer reports a leak otherwise).
    EXPECT_EQ(owner.Attach(second, true), 1);
    EXPECT_EQ(*owner.Get(), 2);

    CAutoJsonPtr empty;
    EXPECT_EQ(empty.Attach(new nlohmann::json("x"), false), 1);
}
}  // namespace
