// Injected faults: set, cleared and asked for by name, each on its own.
#include <gtest/gtest.h>

#include "platform/faults.h"

namespace {

TEST(Faults, SetClearAndQuery) {
    platform::faultClearAll();
    EXPECT_FALSE(platform::faultActive("file-write"));
    platform::faultSet("file-write", true);
    platform::faultSet("other", true);
    EXPECT_TRUE(platform::faultActive("file-write"));
    EXPECT_FALSE(platform::faultActive("file"));
    platform::faultSet("file-write", false);
    EXPECT_FALSE(platform::faultActive("file-write"));
    EXPECT_TRUE(platform::faultActive("other"));
    platform::faultClearAll();
    EXPECT_FALSE(platform::faultActive("other"));
    EXPECT_FALSE(platform::faultActive(nullptr));
}

}  // namespace
