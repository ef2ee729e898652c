#include <gtest/gtest.h>
TEST(E2ESmoke, Runs) { EXPECT_EQ(1, 1); }
