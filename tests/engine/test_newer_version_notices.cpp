// The notices that send the user to the maker's site for a newer installer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/installer_state.h"
#include "engine/newer_version_notice.h"
#include "engine_test_support.h"
#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

class NewerVersionNotices : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        saved_path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        write_file(dir_ / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir_.path() +
                                          "tmp'\nmv '" + dir_.path() + "tmp' '" + dir_.path() + "opened'\n");
        chmod((dir_ / "xdg-open").c_str(), 0755);
        setenv("PATH", (dir_.path() + ":" + saved_path_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", saved_path_.c_str(), 1); }

    std::string opened()
    {
        for (int i = 0; i < 500 && !file_exists(dir_ / "opened"); ++i) usleep(10000);
        return read_file(dir_ / "opened");
    }

    scratch_dir dir_;
    std::string saved_path_;
};

TEST_F(NewerVersionNotices, ANewerInstallerWarnsOpensItsPageAndEnds)
{
    engine_testing::alert_catcher catcher;
    new_installer("http://downloads.test/installer.html");
    ASSERT_EQ(catcher.alerts().size(), 1u);
    const auto& alert = catcher.alerts()[0];
    EXPECT_EQ(alert.level, 1);
    EXPECT_EQ(alert.lines[0], "There is a newer version of the Nimbrel web demo installer available.");
    EXPECT_EQ(alert.lines[1], "I will take you to the web page where you can downoad it.");
    EXPECT_EQ(alert.lines[2] + alert.lines[3], "");
    EXPECT_EQ(opened(), "http://downloads.test/installer.html\n");
    EXPECT_EQ(app_done, 1);
    EXPECT_EQ(stg.format_error, 0);
}

TEST_F(NewerVersionNotices, ANewerFormatNamesTheFileAndOpensTheDemoPage)
{
    engine_testing::alert_catcher catcher;
    new_format("/tmp/x/directory.txt");
    ASSERT_EQ(catcher.alerts().size(), 1u);
    EXPECT_EQ(catcher.alerts()[0].lines[1], "In other words, you need to get a new installer!");
    EXPECT_EQ(catcher.alerts()[0].lines[3], "/tmp/x/directory.txt");
    EXPECT_EQ(stg.format_error, 2);
    EXPECT_EQ(app_done, 1);
    const std::string url = opened();
    EXPECT_EQ(url.compare(0, 7, "http://"), 0) << url;
    EXPECT_NE(url.find("/demo.html\n"), std::string::npos) << url;
}

TEST_F(NewerVersionNotices, AServerCannotMakeUsOpenAnythingButAWebPage)
{
    engine_testing::alert_catcher catcher;
    new_installer("file:///etc/shadow");
    new_installer("http://x.test/\nrm -rf ~");
    usleep(50000);
    EXPECT_FALSE(file_exists(dir_ / "opened"));
    EXPECT_EQ(catcher.alerts().size(), 2u) << "the user is still told";
    EXPECT_EQ(app_done, 1);
}

}  // namespace
