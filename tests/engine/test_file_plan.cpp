// The install plan: every cell of the outcome table, folder answers, the
// cancel, and the progress fractions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"
#include "engine/file_plan.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"

namespace {

const std::string kOld = "11111111111111111111111111111111";
const std::string kNew = "22222222222222222222222222222222";
const std::string kUsers = "99999999999999999999999999999999";
// One signature in both letter cases, as release tools write it.
const std::string kUpper = "0123456789ABCDEF0123456789ABCDEF";
const std::string kLower = "0123456789abcdef0123456789abcdef";

struct asked {
    std::string path;
    int is_delete;
};

std::vector<asked> g_asked;
std::vector<int> g_answers;  // given in turn; keep once they run out

int scripted_answer(const std::string& path, int is_delete)
{
    g_asked.push_back({path, is_delete});
    if (g_asked.size() > g_answers.size()) return kAnswerKeep;
    return g_answers[g_asked.size() - 1];
}

class FilePlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        set_install_filter(1, 1);
        stg.target_os = 3;
        dest_dir_path = "/home/u/Sim/";
        g_asked.clear();
        g_answers.clear();
        set_select_alert_hook(scripted_answer);
    }
    void TearDown() override { set_select_alert_hook(nullptr); }

    // A history of an older version and the current one.
    file_version_struct& add(const std::string& path, const std::string& want,
                             const std::string& have, float size = 1.0f)
    {
        file_version_struct older;
        older.sig_want = kOld;
        older.path = path;
        file_version_struct current;
        current.sig_want = want;
        current.sig_have = have;
        current.path = path;
        current.installed_size = size;
        sim_info.push_back({older, current});
        return sim_info.back().back();
    }
    static std::string outcome(const file_version_struct& v)
    {
        return v.do_install ? (v.do_delete ? "both" : "install") : v.do_delete ? "delete" : "nothing";
    }
};

TEST_F(FilePlan, EveryCellOfTheOutcomeTable)
{
    add("Top/a/none", kNew, "NONE");
    add("Top/a/current", kNew, kNew);
    add("Top/a/older", kNew, kOld);
    add("Top/b/users", kNew, kUsers);
    add("Top/a/gone_none", "GONE", "NONE");
    add("Top/a/gone_older", "GONE", kOld);
    add("Top/c/gone_users", "GONE", kUsers);
    add("Top/a/current_in_upper_case", kUpper, kLower);
    g_answers = {kAnswerOverwrite, kAnswerOverwrite};

    ASSERT_EQ(choose_files(), 1);
    const char* expected[] = {"install", "nothing", "install", "install",
                              "nothing", "delete", "delete", "nothing"};
    for (std::size_t i = 0; i < sim_info.size(); ++i)
        EXPECT_EQ(outcome(sim_info[i].back()), expected[i]) << sim_info[i].back().path;
    ASSERT_EQ(g_asked.size(), 2u);
    EXPECT_EQ(g_asked[0].path, "/home/u/Sim/b/users");
    EXPECT_EQ(g_asked[0].is_delete, 0);
    EXPECT_EQ(g_asked[1].path, "/home/u/Sim/c/gone_users");
    EXPECT_EQ(g_asked[1].is_delete, 1) << "a file to remove is asked about in the delete wording";
}

TEST_F(FilePlan, KeepAnswersLeaveTheUsersFilesAlone)
{
    add("Top/users", kNew, kUsers);
    add("Top/gone_users", "GONE", kUsers);
    g_answers = {kAnswerKeep, kAnswerKeep};
    ASSERT_EQ(choose_files(), 1);
    EXPECT_EQ(outcome(sim_info[0].back()), "nothing");
    EXPECT_EQ(outcome(sim_info[1].back()), "nothing");
}

TEST_F(FilePlan, UnwantedSectorRemovesCurrentTileWithoutAsking)
{
    file_version_struct& tile = add("Top/Earth/+40-074.dsf", kNew, kNew);
    tile.is_global = 1;
    tile.lon_band = 10;
    tile.lat_band = 13;
    file_version_struct& absent = add("Top/Earth/+41-074.dsf", kNew, "NONE");
    absent.is_global = 1;
    absent.lon_band = 10;
    absent.lat_band = 13;
    file_version_struct& wanted = add("Top/Earth/+10-074.dsf", kNew, "NONE");
    wanted.is_global = 1;
    wanted.lon_band = 10;
    wanted.lat_band = 10;
    stg.want_sectors[10][10] = 1;

    ASSERT_EQ(choose_files(), 1);
    EXPECT_EQ(outcome(sim_info[0].back()), "delete");
    EXPECT_EQ(outcome(sim_info[1].back()), "nothing");
    EXPECT_EQ(outcome(sim_info[2].back()), "install");
    EXPECT_TRUE(g_asked.empty());
}

TEST_F(FilePlan, FileTheFilterRefusesGetsNoFlags)
{
    file_version_struct& mac = add("Top/mac_only", kNew, "NONE");
    mac.platform = 1;
    mac.do_install = 1;
    mac.do_delete = 1;
    ASSERT_EQ(choose_files(), 1);
    EXPECT_EQ(outcome(sim_info[0].back()), "nothing");
}

TEST_F(FilePlan, FolderAnswerCoversItsFolderButNotSubfolders)
{
    for (int answer : {kAnswerOverwriteAll, kAnswerKeepAll}) {
        SetUp();
        add("Top/Res/one", kNew, kUsers);
        add("Top/Res/two", kNew, kUsers);
        add("Top/Res/sub/three", kNew, kUsers);
        g_answers = {answer, kAnswerKeep};
        ASSERT_EQ(choose_files(), 1);
        ASSERT_EQ(g_asked.size(), 2u) << "answer " << answer;
        EXPECT_EQ(g_asked[1].path, "/home/u/Sim/Res/sub/three");
        const int settled = answer == kAnswerOverwriteAll ? 1 : 0;
        EXPECT_EQ(sim_info[0].back().do_install, settled);
        EXPECT_EQ(sim_info[1].back().do_install, settled) << "the folder answer settles the second";
        EXPECT_EQ(sim_info[2].back().do_install, 0);
    }
}

TEST_F(FilePlan, FolderAnswersAreForgottenByTheNextPlan)
{
    add("Top/Res/one", kNew, kUsers);
    g_answers = {kAnswerOverwriteAll, kAnswerKeep};
    ASSERT_EQ(choose_files(), 1);
    ASSERT_EQ(choose_files(), 1);
    EXPECT_EQ(g_asked.size(), 2u);
    EXPECT_EQ(sim_info[0].back().do_install, 0);
}

TEST_F(FilePlan, CancelOnTheThirdConflictStopsTheWalk)
{
    for (int i = 0; i < 5; ++i) add("Top/f" + std::to_string(i), kNew, kUsers);
    sim_info[4].back().do_install = 1;  // left from an earlier plan
    g_answers = {kAnswerOverwrite, kAnswerKeep, kAnswerCancel};
    EXPECT_EQ(choose_files(), 0);
    EXPECT_EQ(g_asked.size(), 3u);
    EXPECT_EQ(sim_info[0].back().do_install, 1);
    EXPECT_EQ(sim_info[1].back().do_install, 0);
    EXPECT_EQ(sim_info[4].back().do_install, 1) << "files after the cancel are not visited";
}

TEST_F(FilePlan, WithoutADialogTheUsersFileIsKept)
{
    set_select_alert_hook(nullptr);
    add("Top/users", kNew, kUsers);
    add("Top/gone_users", "GONE", kUsers);
    ASSERT_EQ(choose_files(), 1);
    EXPECT_EQ(outcome(sim_info[0].back()), "nothing");
    EXPECT_EQ(outcome(sim_info[1].back()), "nothing");
}

TEST_F(FilePlan, ProgressFractionsAreTheVolumeBeforeEachFile)
{
    add("Top/a", kNew, "NONE", 10.0f);
    add("Top/b", kNew, kNew, 500.0f);
    add("Top/c", kNew, "NONE", 30.0f);
    ASSERT_EQ(choose_files(), 1);
    EXPECT_FLOAT_EQ(sim_info[0].back().progress, 0.0f);
    EXPECT_FLOAT_EQ(sim_info[1].back().progress, 0.25f);
    EXPECT_FLOAT_EQ(sim_info[2].back().progress, 0.25f);
}

TEST_F(FilePlan, NothingToInstallPutsEveryFileHalfway)
{
    add("Top/a", kNew, kNew);
    add("Top/b", "GONE", kOld);
    ASSERT_EQ(choose_files(), 1);
    EXPECT_FLOAT_EQ(sim_info[0].back().progress, 0.5f);
    EXPECT_FLOAT_EQ(sim_info[1].back().progress, 0.5f);
}

TEST_F(FilePlan, EmptyManifestIsACompletePlan)
{
    EXPECT_EQ(choose_files(), 1);
    EXPECT_TRUE(g_asked.empty());
}

TEST(FilePlanPaths, TopFolderIsReplacedByTheDestination)
{
    dest_dir_path = "/home/u/Sim/";
    EXPECT_EQ(plan_destination_path("Top/Resources/a.txt"), "/home/u/Sim/Resources/a.txt");
    EXPECT_EQ(plan_destination_path("lonely.txt"), "/home/u/Sim/lonely.txt");
}

}  // namespace
