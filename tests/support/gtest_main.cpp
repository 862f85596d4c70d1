#include <gtest/gtest.h>
#include <sys/stat.h>

#include "test_support.h"

int main(int argc, char** argv)
{
    // Fixtures get the modes a user's files usually have, whatever the
    // login's umask: under 002 (a group of one's own) every folder a test
    // made would be its group's to write, and the programs take no disk and
    // keep no file in a folder others may change.
    ::umask(022);
    // Death tests fork; "threadsafe" re-executes the program so that the
    // thread layer's workers in the parent cannot deadlock the child.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Made before any test starts a thread, and named in the environment
    // before any death test's child is started.
    testing_support::scratch_root();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
