// Getting the manifest from a release served by nginx: the server list from
// the maker's host, the chosen server's zipped manifest, and what happens
// when either is missing or damaged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "core/core_globals.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "release_on_nginx.h"

namespace {

using testing_support::alert_recorder;
using engine_testing::release_files;
using engine_testing::release_on_nginx;
using testing_support::file_exists;
using testing_support::write_file;

TEST(DirectoryDownload, ReadsTheListThenTheManifestOfTheChosenServer)
{
    release_on_nginx release(release_files{{"readme.txt", "hello"}, {"Resources/a b.txt", "blank in name"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    EXPECT_EQ(stg.server_count, 1);
    EXPECT_EQ(server_name[0], "files.nimbrel.com");
    EXPECT_EQ(server_path[0], "/Demo/");
    EXPECT_EQ(install_name, "Demo");
    ASSERT_EQ(sim_info.size(), 2u);
    EXPECT_EQ(sim_info[0].back().path, "Nimbrel/Resources/a b.txt");
    EXPECT_FALSE(file_exists(temp_path + "directory.txt.zip")) << "the archive goes once unpacked";
    EXPECT_TRUE(file_exists(temp_path + "serverlist9.txt")) << "the list stays";
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST(DirectoryDownload, MissingManifestMovesToAnotherServer)
{
    // The first row's folder holds no manifest: only the second can serve.
    release_on_nginx release(release_files{{"f.txt", "x"}}, {"--server", "files.nimbrel.com", "/", "Main", "--server",
                                                 "broken.example", "/nowhere/", "Broken"});
    ASSERT_TRUE(release.ready()) << release.problem();
    alert_recorder alerts;
    // nginx serves every host from one root, so the broken row differs by
    // its path; start the run on it.
    while (stg.server_count == -1) UTL_download_directory();
    ASSERT_EQ(stg.server_count, 2);
    stg.server_choice = 1;
    ASSERT_TRUE(release.fetch_manifest());
    EXPECT_EQ(stg.server_choice, 0);
    ASSERT_EQ(alerts.alerts().size(), 1u) << "one not-found warning for the broken server";
    EXPECT_EQ(alerts.alerts()[0].line1, "File not found!");
}

TEST(DirectoryDownload, DamagedManifestArchiveWarnsAndIsFetchedAgain)
{
    release_on_nginx release(release_files{{"f.txt", "x"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    const std::string good = testing_support::read_file(release.web() / "Demo/directory.txt.zip");
    write_file(release.web() / "Demo/directory.txt.zip", "PK this is no zip archive");
    alert_recorder alerts;
    for (int i = 0; i < 100000 && alerts.alerts().empty(); ++i) UTL_download_directory();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line1, "The installer cannot extract a file.");
    EXPECT_EQ(alerts.alerts()[0].line3, "Compressed File  " + temp_path + "directory.txt.zip.");
    EXPECT_EQ(alerts.alerts()[0].line4, "Destination Path: " + temp_path + ".");
    EXPECT_EQ(stg.dir_status, 0);
    EXPECT_FALSE(file_exists(temp_path + "directory.txt.zip"));

    write_file(release.web() / "Demo/directory.txt.zip", good);
    EXPECT_TRUE(release.fetch_manifest()) << "the same server is asked again";
    EXPECT_EQ(sim_info.size(), 1u);
}

TEST(DirectoryDownload, ArchiveWithoutAManifestIsDamagedNotFatal)
{
    release_on_nginx release(release_files{{"f.txt", "x"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    // A valid zip that holds some other file.
    testing_support::run_shell("cd '" + release.web().path() + "Demo' && rm directory.txt.zip && echo x > other.txt && zip -q directory.txt.zip other.txt");
    alert_recorder alerts;
    for (int i = 0; i < 100000 && alerts.alerts().empty(); ++i) UTL_download_directory();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].level, 1);
    EXPECT_EQ(alerts.alerts()[0].line2, "Error: We were unable to open a zip file. It may be missing or damaged.");
    EXPECT_EQ(stg.dir_status, 0);
}

TEST(DirectoryDownload, UnfetchableServerListIsAskedForAgain)
{
    release_on_nginx release(release_files{{"f.txt", "x"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    ::unlink((release.web() / "serverlist9.txt").c_str());
    alert_recorder alerts;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (alerts.alerts().empty() && std::chrono::steady_clock::now() < deadline) UTL_download_directory();
    for (int i = 0; i < 20000; ++i) UTL_download_directory();  // more failed fetches
    EXPECT_EQ(stg.server_count, -1);
    EXPECT_EQ(alerts.alerts().size(), 1u) << "the not-found warning comes once";
}

}  // namespace
