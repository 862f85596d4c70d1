// The notices that send the user to the maker's site for a newer installer,
// and the one way the installer opens a web page.
#include <gtest/gtest.h>

#include <unistd.h>

#include "core/shell_hooks.h"
#include "engine/installer_state.h"
#include "engine/newer_version_notice.h"
#include "engine/web_page.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "fake_browser.h"

namespace {

using testing_support::alert_recorder;
using testing_support::fake_browser;

class NewerVersionNotices : public ::testing::Test {
protected:
    void SetUp() override { engine_testing::reset_engine_state(); }
    alert_recorder catcher_;
    fake_browser browser_;
};

TEST_F(NewerVersionNotices, ANewerInstallerWarnsOpensItsPageAndEnds)
{
    new_installer("http://downloads.test/installer.html");
    ASSERT_EQ(catcher_.alerts().size(), 1u);
    const auto& alert = catcher_.alerts()[0];
    EXPECT_EQ(alert.level, 1);
    EXPECT_EQ(alert.line1, "There is a newer version of the Nimbrel web demo installer available.");
    EXPECT_EQ(alert.line2, "I will take you to the web page where you can downoad it.");
    EXPECT_EQ(alert.line3 + alert.line4, "");
    EXPECT_EQ(browser_.arguments(), "http://downloads.test/installer.html\n");
    EXPECT_EQ(app_done, 1);
    EXPECT_EQ(stg.format_error, 0);
}

TEST_F(NewerVersionNotices, ANewerFormatNamesTheFileAndOpensTheDemoPage)
{
    new_format("/tmp/x/directory.txt");
    ASSERT_EQ(catcher_.alerts().size(), 1u);
    EXPECT_EQ(catcher_.alerts()[0].line2, "In other words, you need to get a new installer!");
    EXPECT_NE(catcher_.alerts()[0].line3.find(kMakerWebHost), std::string::npos)
        << "the user learns where to look";
    EXPECT_EQ(catcher_.alerts()[0].line4, "/tmp/x/directory.txt");
    EXPECT_EQ(stg.format_error, 2);
    EXPECT_EQ(app_done, 1);
    EXPECT_EQ(browser_.arguments(), std::string("http://") + kMakerWebHost + "/demo.html\n");
}

std::string hooked_url;
void hook_catches(std::string url) { hooked_url += url + "\n"; }

// Without the shell the core's opener runs; with it, the shell's logged
// entry gets the address instead.
TEST_F(NewerVersionNotices, ThePageOpensThroughTheHookWhenOneIsSet)
{
    set_web_page_hook(hook_catches);
    hooked_url.clear();
    new_installer("http://x.test/new.html");
    set_web_page_hook(nullptr);
    EXPECT_EQ(hooked_url, "http://x.test/new.html\n");
    EXPECT_FALSE(browser_.ran());
}

TEST_F(NewerVersionNotices, AServerCannotMakeUsOpenAnythingButAWebPage)
{
    new_installer("http://x.test/\r\nX: y");
    new_installer("file:///etc/shadow");
    usleep(50000);
    EXPECT_FALSE(browser_.ran());
    EXPECT_EQ(catcher_.alerts().size(), 2u) << "the user is still told";
    EXPECT_EQ(app_done, 1);
}

}  // namespace
