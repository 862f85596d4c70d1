#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/text/preferences.h"
#include "test_support.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

// The installer's settings as the engine keeps them, bound the way the
// engine binds them at start-up.
struct installer_settings {
    int stream_count = 0, log_actions = 0, proxy_port_int = 0, get_beta = 0;
    std::string proxy_host, proxy_port;
};

// The window settings of file 10.
struct window_settings {
    int width = 800, height = 600, colour = 32, vsync1 = 0, vsync2 = 0, set_res = 0, lang = -1,
        alias = 0, keylist = 1, sec_mon = 0, found = 0;
};

const char* const kHeader = "I\n92001 version\n";

class preference_fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto [key, field] : {std::pair{"_stream_count", &s.stream_count},
                                  {"_log_actions", &s.log_actions},
                                  {"_proxy_port_int", &s.proxy_port_int},
                                  {"_get_beta", &s.get_beta}})
            pref_bind_int(11, key, field);
        pref_bind_text(11, "_proxy_host", &s.proxy_host);
        pref_bind_text(11, "_proxy_port", &s.proxy_port);
    }
    void TearDown() override
    {
        pref_unbind_all();
        cmdline = UTL_cmdline();
        xer.close();
    }

    std::string installer_file() { return dir / ".nimbrel/Nimbrel Installer.prf"; }
    void write_installer_file(const std::string& body, const char* header = kHeader)
    {
        write_file(installer_file(), header + body);
    }
    void with_options(std::vector<const char*> args)
    {
        args.insert(args.begin(), "nimbrel");
        cmdline.init_unix(static_cast<int>(args.size()), args.data());
    }

    testing_support::scratch_home dir;
    installer_settings s;
};

}  // namespace

using InstallerPreferences = preference_fixture;

TEST_F(InstallerPreferences, WritingWithoutProxyGivesFourKeyLinesInOrder)
{
    s.stream_count = 3;
    s.get_beta = 1;
    pref.IO_set(11, 1);
    EXPECT_EQ(read_file(installer_file()),
              "I\n92001 version\n_stream_count 3\n_log_actions 0\n_proxy_port_int 0\n_get_beta 1\n");
}

// The file-size limit stands in for a full disk, in a child so it binds
// no other test.
TEST_F(InstallerPreferences, AWriteThatFailsKeepsTheFileThatWasThere)
{
    write_installer_file("_stream_count 2\n");
    const std::string before = read_file(installer_file());
    s.proxy_host = std::string(4000, 'h');
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        pref.IO_set(11, 1);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(read_file(installer_file()), before);
    EXPECT_EQ(testing_support::run_shell("ls -A '" + dir / ".nimbrel" + "'").out, "Nimbrel Installer.prf\n");
}

TEST_F(InstallerPreferences, EveryValueSurvivesARoundTripBlanksIncluded)
{
    s = {4, 1, 3128, 1, "proxy host.example ", "3128"};
    pref.IO_set(11, 1);
    EXPECT_EQ(read_file(installer_file()),
              "I\n92001 version\n_stream_count 4\n_log_actions 1\n_proxy_host proxy host.example \n"
              "_proxy_port 3128\n_proxy_port_int 3128\n_get_beta 1\n");
    installer_settings written = s;
    s = {};
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, written.stream_count);
    EXPECT_EQ(s.log_actions, written.log_actions);
    EXPECT_EQ(s.proxy_host, written.proxy_host) << "blanks inside and at the end are kept";
    EXPECT_EQ(s.proxy_port, written.proxy_port);
    EXPECT_EQ(s.proxy_port_int, written.proxy_port_int);
    EXPECT_EQ(s.get_beta, written.get_beta);
}

TEST_F(InstallerPreferences, ReadsCrLfDuplicatesBareKeysUnknownKeysAndLeadingBlanks)
{
    write_installer_file("\r\n   _stream_count 1\r\n_stream_count 2\r\n\r\n"
                         "_proxy_host\r\n_unknown 77\r\n\t_proxy_port_int  8080 trailing\r\n"
                         "_get_beta\r\n_log_actions 1");
    s.proxy_host = "default";
    s.get_beta = 1;
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 2) << "the later line wins";
    EXPECT_EQ(s.proxy_host, "") << "a key alone reads as the empty text";
    EXPECT_EQ(s.proxy_port_int, 8080) << "the leading number of the text";
    EXPECT_EQ(s.get_beta, 0) << "a key alone reads as 0";
    EXPECT_EQ(s.log_actions, 1) << "the last line needs no line end";
}

TEST_F(InstallerPreferences, CommandLineOverridesTheFileButIsNeverWritten)
{
    write_installer_file("_stream_count 3\n_get_beta 1\n");
    with_options({"--pref:_stream_count=2", "--pref:_get_beta", "--pref:_proxy_host=cache.local"});
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 2);
    EXPECT_EQ(s.get_beta, 0) << "an option without a value reads as 0";
    EXPECT_EQ(s.proxy_host, "cache.local");

    s.stream_count = 1;
    pref.IO_set(11, 1);
    EXPECT_NE(read_file(installer_file()).find("_stream_count 1\n"), std::string::npos);
}

// Counts and ports outside their range keep the default; flags are stored as
// the numbers they are (non-zero is on), and written back unchanged.
TEST_F(InstallerPreferences, OutOfRangeCountsAndPortsKeepTheDefaultFlagsTakeAnyNumber)
{
    write_installer_file("_stream_count 5\n_log_actions 2\n_proxy_port_int 65536\n_get_beta -1\n");
    s = {1, 1, 80, 0, "", ""};
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 1);
    EXPECT_EQ(s.log_actions, 2);
    EXPECT_EQ(s.proxy_port_int, 80);
    EXPECT_EQ(s.get_beta, -1);
    pref.IO_set(11, 1);
    EXPECT_NE(read_file(installer_file()).find("_log_actions 2\n_proxy_port_int 80\n_get_beta -1\n"),
              std::string::npos) << read_file(installer_file());

    write_installer_file("_stream_count 4\n_proxy_port_int 65535\n_log_actions 99999999999999999999\n");
    with_options({"--pref:_get_beta=7", "--pref:_stream_count=9"});
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 1) << "overrides are checked too";
    EXPECT_EQ(s.proxy_port_int, 65535);
    EXPECT_EQ(s.log_actions, 2) << "a number beyond any int";
    EXPECT_EQ(s.get_beta, 7);
}

TEST_F(InstallerPreferences, AValueNeverWritesALineOfItsOwn)
{
    s.proxy_host = "evil\n_get_beta 1";
    s.proxy_port = "80\r\n_stream_count 4";
    pref.IO_set(11, 1);
    EXPECT_EQ(read_file(installer_file()),
              "I\n92001 version\n_stream_count 0\n_log_actions 0\n_proxy_host evil\n"
              "_proxy_port 80\n_proxy_port_int 0\n_get_beta 0\n");
}

TEST_F(InstallerPreferences, ForeignMissingOrSignedFiles)
{
    write_installer_file("_stream_count 3\n", "I\n92002 version\n");
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 0) << "another version is not read";

    write_installer_file("_stream_count 3\n", "X\n92001 version\n");
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 0) << "another letter is not read";

    write_installer_file("_stream_count 3\n", "\xEF\xBB\xBF" "A\r\n92001 version\r\n");
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 3) << "a UTF-8 signature and CR LF are fine";

    ::unlink(installer_file().c_str());
    s.stream_count = 2;
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 2);

    // A link at the file's name, or at the name it is written under first,
    // is nothing this program wrote: neither read nor written through.
    write_file(dir / "elsewhere.prf", std::string(kHeader) + "_stream_count 4\n");
    ASSERT_EQ(::symlink((dir / "elsewhere.prf").c_str(), installer_file().c_str()), 0);
    ASSERT_EQ(::symlink((dir / "elsewhere.prf").c_str(), (installer_file().substr(0, installer_file().size() - 3) + "prf.new").c_str()), 0);
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 2) << "read through a link";
    pref.IO_set(11, 1);
    EXPECT_EQ(read_file(dir / "elsewhere.prf"), std::string(kHeader) + "_stream_count 4\n") << "written through a link";
    EXPECT_NE(read_file(installer_file()).find("_stream_count 2"), std::string::npos);
}

// Only the user's own file is read.  Another user's (left while the folder
// was theirs to write too), one others may write and one larger than any
// the program writes are set aside as they are and the settings start
// from their defaults; no start ends on a file of gigabytes, and the file
// written next is the user's own.
TEST_F(InstallerPreferences, OnlyTheUsersOwnFileIsReadAndWhatElseStandsThereIsSetAside)
{
    const struct {
        const char* what;
        const char* make;  // shell commands run on the file $P, which holds "_stream_count 3"
        bool read;
        bool needs_root = false;
    } rows[] = {
        {"the user's own", "true", true},
        {"the user's own of 1 MiB", "truncate -s 1M \"$P\"", true},
        {"another user's", "chown 65534 \"$P\"", false, true},
        {"one others may write", "chmod 666 \"$P\"", false},
        {"one byte past 1 MiB", "truncate -s 1048577 \"$P\"", false},
        {"3 GiB", "truncate -s 3G \"$P\"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.needs_root && ::geteuid() != 0) continue;  // another user's file needs root to make
        testing_support::run_shell("rm -rf '" + dir / ".nimbrel" + "'");
        write_installer_file("_stream_count 3\n");
        ASSERT_EQ(testing_support::run_shell("P='" + installer_file() + "' && " + row.make).status, 0);
        const testing_support::file_stamp before = testing_support::stamp_of(installer_file());
        ASSERT_TRUE(xer.open(dir / "log.txt"));
        s.stream_count = 1;
        pref.IO_set(11, 0);
        EXPECT_EQ(s.stream_count, row.read ? 3 : 1);
        pref.IO_set(11, 1);
        xer.close();
        const std::string log = read_file(dir / "log.txt");
        EXPECT_EQ(testing_support::stamp_of(installer_file() + ".set-aside") == before, !row.read)
            << "not set aside as it was\n" << log;
        EXPECT_EQ(testing_support::has(log, "set aside as " + installer_file() + ".set-aside"), !row.read) << log;
        EXPECT_EQ(read_file(installer_file()).substr(0, std::string(kHeader).size() + 16),
                  std::string(kHeader) + "_stream_count " + (row.read ? "3" : "1") + "\n");
    }
}

TEST_F(InstallerPreferences, WithoutHomeOnlyOverridesApplyAndNothingIsWritten)
{
    ::unsetenv("HOME");
    ASSERT_TRUE(xer.open(dir / "log.txt"));
    with_options({"--pref:_stream_count=3"});
    pref.IO_set(11, 0);
    EXPECT_EQ(s.stream_count, 3);
    pref.IO_set(11, 1);
    EXPECT_FALSE(file_exists(dir / ".nimbrel"));
    xer << std::flush;
    EXPECT_NE(read_file(dir / "log.txt").find("not written"), std::string::npos);
}

TEST(PreferenceBinding, UnknownKeysAndWrongTypesAreRefused)
{
    int n = 0;
    std::string t;
    EXPECT_FALSE(pref_bind_int(11, "_no_such_key", &n));
    EXPECT_FALSE(pref_bind_int(11, "_proxy_host", &n));
    EXPECT_FALSE(pref_bind_text(11, "_stream_count", &t));
    EXPECT_FALSE(pref_bind_int(10, "_stream_count", &n)) << "keys belong to one file";
    EXPECT_FALSE(pref_bind_int(10, "_x_res_req_PLN", &n)) << "kept by the preference code itself";
    EXPECT_TRUE(pref_bind_int(11, "_stream_count", &n));
    pref_unbind_all();
}

namespace {

class window_preferences : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::getcwd(cwd_, sizeof cwd_), cwd_);
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
        ::mkdir("Output", 0755);
        for (auto [key, field] :
             {std::pair{"_x_res_req_ALL", &w.width}, {"_y_res_req_ALL", &w.height},
              {"_col_res_req", &w.colour}, {"_use_vsync1", &w.vsync1}, {"_use_vsync2", &w.vsync2},
              {"_set_res", &w.set_res}, {"_lang", &w.lang}, {"_alias_req", &w.alias},
              {"_keylist_up", &w.keylist}, {"_sec_mon_inuse", &w.sec_mon},
              {"_prefs_found", &w.found}})
            pref_bind_int(10, key, field);
    }
    void TearDown() override
    {
        pref_unbind_all();
        ASSERT_EQ(::chdir(cwd_), 0);
    }
    void write_window_file(const std::string& body)
    {
        write_file(dir / "Output/preferences/Res N-System.prf", kHeader + body);
    }

    testing_support::scratch_home dir;
    window_settings w;

private:
    char cwd_[4096];
};

}  // namespace

using WindowPreferences = window_preferences;

TEST_F(WindowPreferences, WritesFifteenKeysAndMarksThePreferencesFound)
{
    w.width = 1280;
    w.height = 1024;
    w.lang = 3;
    pref.IO_set(10, 1);
    EXPECT_EQ(w.found, 1);
    EXPECT_EQ(read_file(dir / "Output/preferences/Res N-System.prf"),
              "I\n92001 version\n_x_res_req_PLN 0\n_y_res_req_PLN 0\n_x_res_req_WRL 0\n"
              "_y_res_req_WRL 0\n_x_res_req_ALL 1280\n_y_res_req_ALL 1024\n_col_res_req 32\n"
              "_use_vsync1 0\n_use_vsync2 0\n_set_res 0\n_lang 3\n_alias_req 0\n_keylist_up 1\n"
              "_sec_mon_inuse 0\n_prefs_found 1\n");
}

TEST_F(WindowPreferences, ResolutionOutsideSixHundredToNineThousandNineHundredNinetyNineIsCorrected)
{
    write_window_file("_x_res_req_ALL 599\n_y_res_req_ALL 9999\n");
    pref.IO_set(10, 0);
    EXPECT_EQ(w.width, 1024);
    EXPECT_EQ(w.height, 9999);

    write_window_file("_x_res_req_ALL 10000\n_y_res_req_ALL 600\n_lang 9\n_set_res 1\n");
    pref.IO_set(10, 0);
    EXPECT_EQ(w.width, 1024);
    EXPECT_EQ(w.height, 600);
    EXPECT_EQ(w.lang, -1) << "no such language: kept";
    EXPECT_EQ(w.set_res, 1);
}

TEST_F(WindowPreferences, AMissingDimensionComesFromTheLastValueThroughTheFile)
{
    w.width = 1600;
    w.height = 1200;
    pref.IO_set(10, 1);
    write_window_file("_x_res_req_ALL 800\n");
    pref.IO_set(10, 0);
    EXPECT_EQ(w.width, 800);
    EXPECT_EQ(w.height, 1200) << "the height passes through the value last written";
}

TEST_F(WindowPreferences, TheCalibrationFileHoldsOnlyTheHeader)
{
    pref.IO_set(12, 1);
    EXPECT_EQ(read_file(dir / "Output/preferences/Cal Nimbrel.prf"), kHeader);
    pref.IO_set(12, 0);
    pref.IO_set(99, 0);
    pref.IO_set(99, 1);
}
