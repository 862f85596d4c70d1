// Removing a cancelled install's partial copy through the gate: everything
// in it goes, links as links, and nothing a link leads to outside.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/copy_gate.h"
#include "engine/installer_state.h"
#include "pump_fixture.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

class CopyGateRemoval : public engine_testing::pump_test {};

TEST_F(CopyGateRemoval, ThePartialCopyGoesAndNothingItsLinksLeadTo)
{
    scratch_dir outside;
    write_file(outside / "keep/precious.txt", "the user's");
    write_file(outside / "alone.txt", "also the user's");
    const std::string copy = dest_ / "Nimbrel 9/";
    dest_dir_path = copy;
    write_file(copy + "Nimbrel-i686", "#!/bin/sh\n");
    write_file(copy + "Resources/deep/er/a.txt", "a");
    write_file(copy + "Resources/.hidden", "h");
    ::mkdir((copy + "Empty").c_str(), 0755);
    ASSERT_EQ(::symlink((outside / "keep").c_str(), (copy + "Resources/to_folder").c_str()), 0);
    ASSERT_EQ(::symlink((outside / "alone.txt").c_str(), (copy + "to_file").c_str()), 0);
    ASSERT_EQ(::symlink("../../..", (copy + "Resources/deep/up").c_str()), 0);
    ::chmod((copy + "Resources/deep/er").c_str(), 0555);  // read-only folders go too

    EXPECT_EQ(copy_remove_all(), 0);
    EXPECT_FALSE(file_exists(copy)) << "the partial copy stayed";
    EXPECT_EQ(read_file(outside / "keep/precious.txt"), "the user's");
    EXPECT_EQ(read_file(outside / "alone.txt"), "also the user's");
    EXPECT_TRUE(file_exists(dest_.path())) << "the copy's parent went with it";

    EXPECT_EQ(copy_remove_all(), 0) << "a copy never made is no failure";
}

TEST_F(CopyGateRemoval, ADestinationThatNamesNoFolderOfItsOwnIsRefused)
{
    write_file(dest_ / "stays.txt", "x");
    ASSERT_EQ(::chdir(dest_.path().c_str()), 0);  // "" would open the working folder
    for (const char* destination : {"", "/", "//"}) {
        dest_dir_path = destination;
        EXPECT_NE(copy_remove_all(), 0) << '"' << destination << '"';
    }
    EXPECT_EQ(read_file(dest_ / "stays.txt"), "x");
    ASSERT_EQ(::chdir("/"), 0);
}

}  // namespace
