// Reading the server list: the release, the servers, the notices, and lists
// that are odd or hostile.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/core_globals.h"
#include "core/shell_hooks.h"
#include "engine/installer_state.h"
#include "engine/server_list.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "test_support.h"

namespace {

using testing_support::alert_recorder;
using testing_support::scratch_dir;

class ServerList : public testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        stg.server_count = -1;
        install_name = no_install_name;
    }

    // Reads a list of the given body lines under a valid header.
    void read(const std::string& body, const std::string& header = "I\n820 version\nSERVERS\n")
    {
        testing_support::write_file(dir_ / "serverlist9.txt", header + body);
        read_server_list(dir_ / "serverlist9.txt");
    }

    scratch_dir dir_;
    alert_recorder alerts_;
};

TEST_F(ServerList, FinalReleaseAndServersAreRead)
{
    read("FINAL Nimbrel 9 Demo\n"
         "SERVER files.example.com\n"
         "/pub/\n"
         "Main server\n"
         "SERVER   mirror.example.org\n\n\n"
         "   /mirror/  \n"
         "\n"
         "   Mirror in the north  \n"
         "ENDOFLIST\n"
         "SERVER after.example.com\n/late/\nnever read\n");
    EXPECT_EQ(install_name, "Nimbrel 9 Demo");
    ASSERT_EQ(stg.server_count, 2);
    EXPECT_EQ(server_name[0], "files.example.com");
    EXPECT_EQ(server_path[0], "/pub/Nimbrel 9 Demo/");
    EXPECT_EQ(server_desc[0], "Main server");
    EXPECT_EQ(server_name[1], "mirror.example.org");
    EXPECT_EQ(server_path[1], "/mirror/  Nimbrel 9 Demo/") << "leading blanks go, trailing ones stay";
    EXPECT_EQ(server_desc[1], "Mirror in the north  ");
    EXPECT_GE(stg.server_choice, 0);
    EXPECT_LT(stg.server_choice, 2);
    EXPECT_TRUE(alerts_.alerts().empty());
}

TEST_F(ServerList, BetaWantedTakesTheBetaLineAndOtherwiseTheFinalOne)
{
    const std::string body = "BETA Beta 10\nFINAL Final 9\nSERVER h\n/p/\nd\nENDOFLIST\n";
    read(body);
    EXPECT_EQ(install_name, "Final 9");
    stg.get_beta = 1;
    read(body);
    EXPECT_EQ(install_name, "Beta 10");
    EXPECT_EQ(server_path[0], "/p/Beta 10/");
}

TEST_F(ServerList, ServersBeforeTheReleaseLineCarryTheUnscannedName)
{
    read("SERVER h\n/p/\nd\nFINAL Later\n");
    EXPECT_EQ(server_path[0], "/p/Not Yet Scanned/");
    EXPECT_EQ(install_name, "Later");
    EXPECT_EQ(stg.server_count, 1) << "a list without ENDOFLIST still ends";
}

TEST_F(ServerList, ElevenServersKeepTheFirstTen)
{
    std::string body = "FINAL R\n";
    for (int i = 0; i < 11; ++i) body += "SERVER host" + std::to_string(i) + "\n/p/\nd\n";
    read(body + "ENDOFLIST\n");
    EXPECT_EQ(stg.server_count, 10);
    EXPECT_EQ(server_name[9], "host9");
}

TEST_F(ServerList, WordsThatOnlyLookLikeKeywordsAreSkipped)
{
    read("SERVERS whatever\nserver lower.example\n/x/\nd\nSERVERX no\n  SERVER real.example\n/r/\nd\n");
    ASSERT_EQ(stg.server_count, 1);
    EXPECT_EQ(server_name[0], "real.example");
}

TEST_F(ServerList, NewerInstallerEndsTheReadingAndTheProgram)
{
    read("INS_VERSION 20502 x http://same.example/\nSERVER a\n/p/\nd\n");
    EXPECT_EQ(stg.server_count, 1) << "version 20502 is this installer";
    EXPECT_EQ(app_done, 0);

    stg.server_count = -1;
    read("SERVER a\n/p/\nd\nINS_VERSION 20503 x http://newer.example/get.html rest\nSERVER b\n/p/\nd\n");
    ASSERT_EQ(alerts_.alerts().size(), 1u);
    EXPECT_EQ(alerts_.alerts()[0].line1, "There is a newer version of the Nimbrel web demo installer available.");
    EXPECT_EQ(app_done, 1);
    EXPECT_NE(app_exit_status, 0);
    EXPECT_EQ(stg.server_count, 1) << "nothing after the notice is read";
}

TEST_F(ServerList, NewerListRaisesTheNewerFormatNoticeAndEndsWithAFailingStatus)
{
    read("SERVER a\n/p/\nd\n", "I\n900 version\nSERVERS\n");
    EXPECT_EQ(stg.format_error, 2);
    EXPECT_EQ(app_done, 1);
    EXPECT_NE(app_exit_status, 0) << "the program ends without having done its work";
    EXPECT_EQ(stg.server_count, -1) << "nothing is read from a list of a newer version";
}

// Nothing a newer installer would read better: the server check's problem
// text, with the way back open, not a notice that ends the program.
TEST_F(ServerList, OlderDamagedEmptyOrMissingListsAreUnreadableNotNewer)
{
    const std::vector<std::string> headers = {"I\n700 version\nSERVERS\n", "I\n820 version\nSERVER\n",
                                              "<html>Proxy login</html>", ""};
    for (const std::string& header : headers) {
        engine_testing::reset_engine_state();
        stg.server_count = -1;
        read("SERVER a\n/p/\nd\n", header);
        EXPECT_EQ(stg.server_count, 0) << header;
        EXPECT_EQ(stg.dir_status, 2) << header;
        EXPECT_EQ(stg.format_error, 0) << header;
        EXPECT_EQ(app_done, 0) << header;
    }
    stg.server_count = -1;
    read_server_list(dir_ / "missing.txt");
    EXPECT_EQ(stg.dir_status, 2);
    EXPECT_EQ(app_done, 0);
    EXPECT_TRUE(alerts_.alerts().empty()) << alerts_.alerts().front().line1;
}

TEST_F(ServerList, ListWithoutUsableServersIsUnreadable)
{
    read("FINAL R\nSERVER bad/\n/p/\nd\nSERVER \n/p/\nd\nSERVER ok.example\nrelative/\nd\nENDOFLIST\n");
    EXPECT_EQ(stg.server_count, 0);
    EXPECT_EQ(stg.dir_status, 2) << "no server to fetch from is not a server index of -1";
    EXPECT_EQ(app_done, 0);
    read("FINAL R\nENDOFLIST\n");
    EXPECT_EQ(stg.dir_status, 2) << "nor is a list without server rows";
    EXPECT_EQ(app_done, 0);
    EXPECT_TRUE(alerts_.alerts().empty()) << alerts_.alerts().front().line1;
}

TEST_F(ServerList, HostileRowsAreDroppedAndTheRestKept)
{
    read("SERVER evil.example/\n/p/\nd\nSERVER with blank.example\n/p/\nd\nSERVER good.example\n/p/\nd\n");
    ASSERT_EQ(stg.server_count, 1);
    EXPECT_EQ(server_name[0], "good.example");
}

TEST(ServerPick, FavoursTheFirstRowsAsTheTwoThirdsPowerSays)
{
    srand(7);
    const int draws = 200000;
    int hits[10] = {};
    for (int i = 0; i < draws; ++i) {
        int row = pick_biased_server(10);
        ASSERT_GE(row, 0);
        ASSERT_LT(row, 10);
        ++hits[row];
    }
    EXPECT_NEAR(hits[0] / double(draws), 0.215, 0.01);
    EXPECT_NEAR(hits[9] / double(draws), 0.068, 0.01);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(pick_biased_server(1), 0);
}

}  // namespace
