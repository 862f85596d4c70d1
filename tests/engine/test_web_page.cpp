// Opening the maker's pages in the desktop's browser.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/web_page.h"
#include "test_support.h"

namespace {

using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

// A stand-in opener first on PATH that records its arguments, one a line.
class fake_browser {
public:
    fake_browser() : saved_path_(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        write_file(dir_ / "xdg-open",
                   "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + dir_.path() +
                       "args.tmp'\nmv '" + dir_.path() + "args.tmp' '" + dir_.path() + "args'\n");
        chmod((dir_ / "xdg-open").c_str(), 0755);
        setenv("PATH", (dir_.path() + ":" + saved_path_).c_str(), 1);
    }
    ~fake_browser() { setenv("PATH", saved_path_.c_str(), 1); }

    // The arguments it was started with, once it has run; "" if it never ran.
    std::string arguments() const
    {
        for (int i = 0; i < 500 && !testing_support::file_exists(dir_ / "args"); ++i) usleep(10000);
        return read_file(dir_ / "args");
    }
    bool ran() const { return testing_support::file_exists(dir_ / "args"); }

private:
    scratch_dir dir_;
    std::string saved_path_;
};

TEST(WebPage, OnlyPlainHttpAddressesAreOpenable)
{
    EXPECT_TRUE(url_is_openable("http://www.example.com/demo.html"));
    EXPECT_TRUE(url_is_openable("HTTPS://www.example.com/a?b=c&d"));
    EXPECT_FALSE(url_is_openable("file:///etc/passwd"));
    EXPECT_FALSE(url_is_openable("javascript:alert(1)"));
    EXPECT_FALSE(url_is_openable("--help"));
    EXPECT_FALSE(url_is_openable("http://a b"));
    EXPECT_FALSE(url_is_openable("http://a\nb"));
    EXPECT_FALSE(url_is_openable("http://a\x7f"));
    EXPECT_FALSE(url_is_openable(""));
}

TEST(WebPage, TheOpenerGetsTheAddressAsOneArgument)
{
    fake_browser browser;
    const std::string url = "http://x.test/a;$(id)'\"&b=`id`";
    ASSERT_EQ(open_web_page(url), 0);
    EXPECT_EQ(browser.arguments(), url + "\n") << "no shell ever saw the address";
}

TEST(WebPage, AnAddressWithControlCharactersIsNotOpened)
{
    fake_browser browser;
    EXPECT_EQ(open_web_page("http://x.test/\r\nX: y"), EINVAL);
    EXPECT_EQ(open_web_page("ftp://x.test/"), EINVAL);
    usleep(50000);
    EXPECT_FALSE(browser.ran());
}

}  // namespace
