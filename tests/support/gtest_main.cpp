#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Death tests fork; "threadsafe" re-executes the program so that the
    // thread layer's workers in the parent cannot deadlock the child.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
