#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/files/per_user_folder.h"
#include "core/files/per_user_folder_notice.h"
#include "core/files/account_lookup.h"
#include "core/files/system_paths.h"
#include "core/text/translation.h"
#include "alert_recorder.h"
#include "test_support.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::run_shell;
using testing_support::run_unprivileged;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

bool has_text(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

std::string corrected(std::string path)
{
    set_path_to_full(path);
    return path;
}

// Sets an environment variable for one scope; null unsets it.
class env_var {
public:
    env_var(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~env_var() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

}  // namespace

TEST(FindPath, PathThatExistsAsWrittenIsLeftAloneEvenBesideACaseTwin)
{
    scratch_dir dir;
    write_file(dir / "Data/foo.txt", "a");
    write_file(dir / "data/FOO.txt", "b");
    EXPECT_EQ(corrected(dir / "data/FOO.txt"), dir / "data/FOO.txt");
    EXPECT_EQ(corrected(dir / "Data/foo.txt"), dir / "Data/foo.txt");
}

TEST(FindPath, ComponentsTakeTheDiskCaseAsFarAsTheyExist)
{
    scratch_dir dir;
    write_file(dir / "Data/foo.txt", "x");
    EXPECT_EQ(corrected(dir / "data/FOO.TXT"), dir / "Data/foo.txt");
    EXPECT_EQ(corrected(dir / "data/new.txt"), dir / "Data/new.txt")
        << "a file about to be created lands in the existing folder";
    EXPECT_EQ(corrected(dir / "DATA/Missing/FOO.TXT"), dir / "Data/Missing/FOO.TXT")
        << "the rest after a missing component keeps the caller's case";
}

// With both "data" and "Data" on the disk, a new file asked for in one of
// them lands there, not in whichever the folder happens to list first.
TEST(FindPath, AnExactFolderWinsOverACaseTwinListedBeforeIt)
{
    scratch_dir dir;
    write_file(dir / "data/a.txt", "x");
    write_file(dir / "Data/a.txt", "x");
    std::string later;
    DIR* listing = ::opendir(dir.path().c_str());
    ASSERT_NE(listing, nullptr);
    while (dirent* e = ::readdir(listing))
        if (std::string(e->d_name) == "data" || std::string(e->d_name) == "Data") later = e->d_name;
    ::closedir(listing);
    EXPECT_EQ(corrected(dir / (later + "/new.txt")), dir / (later + "/new.txt"));
}

TEST(FindPath, RootIsSearchedForTheFirstComponentOfAnAbsolutePath)
{
    ASSERT_EQ(::access("/usr/lib", F_OK), 0);
    EXPECT_EQ(corrected("/usr/LIB/x-not-there"), "/usr/lib/x-not-there");
    EXPECT_EQ(corrected("/USR//LIB/x-not-there"), "/usr//lib/x-not-there")
        << "a doubled '/' searches the folder before it";
}

TEST(FindPath, RelativePathsAreSearchedFromTheWorkingDirectory)
{
    scratch_dir dir;
    write_file(dir / "Sub/File.txt", "x");
    char old[4096];
    ASSERT_TRUE(::getcwd(old, sizeof old));
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::string fixed = corrected("sub/file.TXT");
    ASSERT_EQ(::chdir(old), 0);
    EXPECT_EQ(fixed, "Sub/File.txt");
}

TEST(FindPath, EmptyPathsAndDisabledCorrectionChangeNothing)
{
    EXPECT_EQ(corrected(""), "");
    g_case_sensitive = 0;
    std::string fixed = corrected("/USR/lib");
    g_case_sensitive = 1;
    EXPECT_EQ(fixed, "/USR/lib");
}

TEST(FindPath, PathsLongerThanFiveHundredBytesAreCorrectedWhole)
{
    scratch_dir dir;
    std::string deep = dir.path();
    for (int i = 0; i < 30; ++i) deep += "Folder_number_" + std::to_string(i) + "/";
    write_file(deep + "End.txt", "x");
    std::string asked = deep + "end.TXT";
    for (char& c : asked) if (c == 'F') c = 'f';
    ASSERT_GT(asked.size(), 500u);
    EXPECT_EQ(corrected(asked), deep + "End.txt");

    std::string raw = asked;
    findPath(&raw[0]);
    EXPECT_EQ(raw, deep + "End.txt");
}

TEST(FindPath, UnreadableFolderStopsTheCorrectionWithoutHarm)
{
    scratch_dir dir;
    write_file(dir / "Locked/Inner/a.txt", "x");
    // Anyone may pass through the folder, no one may list it.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "Locked").c_str(), 0111), 0);
    std::string locked_inner = dir / "locked/inner/A.TXT";
    int result = run_unprivileged([&] {
        std::string p = locked_inner;
        set_path_to_full(p);
        return p == dir / "Locked/inner/A.TXT" ? 0 : 1;
    });
    EXPECT_EQ(result, 0) << "the folder that cannot be listed keeps the rest as written";
}

TEST(Dirchars, BackslashesAndColonsBecomeSlashesAndNothingElseChanges)
{
    std::string p = "C:\\a\\b";
    set_path_to_right_dirchars(p);
    EXPECT_EQ(p, "C//a/b");
    std::string utf8 = "Dossier \xc3\xa9t\xc3\xa9//./x";
    std::string copy = utf8;
    set_path_to_right_dirchars(copy);
    EXPECT_EQ(copy, utf8);
}

TEST(SystemFolders, HomeBasedFoldersFollowHome)
{
    scratch_dir dir;
    std::string home = dir.path().substr(0, dir.path().size() - 1);
    env_var h("HOME", home.c_str());
    std::string desk, apps, prefs;
    get_OS_abs_path(os_dir_desktop, desk);
    get_OS_abs_path(os_dir_default_apps, apps);
    get_OS_abs_path(os_dir_prefs, prefs);
    EXPECT_EQ(desk, dir.path());
    EXPECT_EQ(apps, desk);
    EXPECT_EQ(prefs, dir / ".nimbrel/");
    struct stat st;
    EXPECT_TRUE(::stat(prefs.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) << "not created: " << prefs;
    get_OS_abs_path(os_dir_prefs, prefs);
    EXPECT_EQ(prefs, dir / ".nimbrel/") << "asking again is no failure";

    env_var with_slashes("HOME", (home + "//").c_str());
    get_OS_abs_path(os_dir_desktop, desk);
    EXPECT_EQ(desk, dir.path()) << "a HOME ending in '/' gave a doubled one";
    env_var root("HOME", "/");
    get_OS_abs_path(os_dir_desktop, desk);
    EXPECT_EQ(desk, "/");
}

TEST(SystemFolders, WithoutHomeNothingIsChangedOrCreatedAndTheLogSaysWhy)
{
    scratch_dir dir;
    ASSERT_TRUE(xer.open(dir / "log.txt"));
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        env_var h("HOME", value);
        std::string empty, kept = "as passed";
        get_OS_abs_path(os_dir_prefs, empty);
        get_OS_abs_path(os_dir_desktop, kept);
        get_OS_abs_path(os_dir_default_apps, kept);
        EXPECT_EQ(empty, "");
        EXPECT_EQ(kept, "as passed");
    }
    xer.close();
    EXPECT_FALSE(file_exists("/.nimbrel")) << "an empty HOME made a folder at the root";
    EXPECT_NE(read_file(dir / "log.txt").find("HOME is not set"), std::string::npos);
}

// The preference files have fixed names: a per-user folder another user
// could change is none at all, and one made here is the user's alone.
TEST(SystemFolders, APerUserFolderOthersMayChangeIsNotGivenAndANewOneIsPrivate)
{
    scratch_dir dir;
    ::mkdir((dir / "shared").c_str(), 0700);
    ::chmod((dir / "shared").c_str(), 0777);
    std::string prefs = "as passed";
    env_var shared("HOME", (dir / "shared").c_str());
    get_OS_abs_path(os_dir_prefs, prefs);
    EXPECT_EQ(prefs, "as passed");
    env_var own("HOME", dir.path().c_str());
    get_OS_abs_path(os_dir_prefs, prefs);
    struct stat st;
    EXPECT_TRUE(::stat(prefs.c_str(), &st) == 0 && (st.st_mode & 0777) == 0700) << prefs;
}

// The per-user folder is used only in a home of the user's own and only
// while it is theirs alone; one an earlier version left open to the user's
// group is made private rather than lost with the copies it lists, and
// nothing is ever made in another user's home.  Where there is none, the
// user is told once, in words, and what to do.
TEST(SystemFolders, APerUserFolderIsUsedOnlyInTheUsersOwnHomeWhileItIsTheirsAlone)
{
    const struct row {
        const char* what;
        const char* make;     // shell commands in the scratch folder; HOME is its "home"
        const char* given;    // the folder given, in the scratch folder; "" for none
        const char* trouble;  // what the trouble names; "" for none
        bool in_home;         // the home is at fault, not the folder in it
        bool needs_root = false;
        bool as_another_user = false;  // run as run_unprivileged's user, who owns "home"
        bool taken_over = false;       // an earlier version's folder others could read or write, made private
        const char* set_aside = "";    // what is then found in the folder set aside, '|' between names
        // Who else is in the group of the folder as the accounts read say:
        // the system's, no one, or another account.
        enum { system_groups, alone, shared } group = system_groups;
    } cases[] = {
        {"a new one", "mkdir -m 755 home", "home/.nimbrel/", "", false},
        {"an earlier version's, open to the group, with a registry",
         "mkdir -m 755 home && mkdir -m 775 home/.nimbrel && echo /sim >home/.nimbrel/nimbrel_install.txt",
         "home/.nimbrel/", "", false, false, false, true},
        {"an earlier version's, open to all, with another user's registry and preference file",
         "mkdir -m 755 home && mkdir -m 777 home/.nimbrel && echo /theirs >home/.nimbrel/nimbrel_install.txt && "
         "echo theirs >'home/.nimbrel/Nimbrel Installer.prf' && "
         "chown 65534 home/.nimbrel/nimbrel_install.txt 'home/.nimbrel/Nimbrel Installer.prf'",
         "home/.nimbrel/", "", false, true, false, true,
         "nimbrel_install.txt.set-aside|Nimbrel Installer.prf.set-aside"},
        {"second names of another file at the log's and the registry's names, one set aside before",
         "mkdir -m 755 home && mkdir -m 700 home/.nimbrel && echo mine >other && "
         "ln other 'home/.nimbrel/Nimbrel Installer Log.txt' && ln other home/.nimbrel/nimbrel_install.txt && "
         "echo earlier >home/.nimbrel/nimbrel_install.txt.set-aside",
         "home/.nimbrel/", "", false, false, false, false,
         "Nimbrel Installer Log.txt.set-aside|nimbrel_install.txt.set-aside-2"},
        {"a pipe at the registry's name, a folder at the preference file's, a link at the about box's folder",
         "mkdir -m 755 home && mkdir -m 700 home/.nimbrel && mkfifo home/.nimbrel/nimbrel_install.txt && "
         "mkdir 'home/.nimbrel/Nimbrel Installer.prf' && ln -s /tmp home/.nimbrel/Output",
         "home/.nimbrel/", "", false, false, false, false,
         "nimbrel_install.txt.set-aside|Nimbrel Installer.prf.set-aside|Output.set-aside"},
        // Debian's and Ubuntu's user private groups.
        {"an earlier version's made under a umask of 002, a group of the user's alone",
         "mkdir -m 755 home && umask 002 && mkdir home/.nimbrel && echo /sim >home/.nimbrel/nimbrel_install.txt",
         "home/.nimbrel/", "", false, false, false, true, "", row::alone},
        {"the same, a group with another member",
         "mkdir -m 755 home && umask 002 && mkdir home/.nimbrel && echo /theirs >home/.nimbrel/nimbrel_install.txt",
         "home/.nimbrel/", "", false, false, false, true, "nimbrel_install.txt.set-aside", row::shared},
        {"a link in the user's own home to a folder of theirs", "mkdir -m 755 home && mkdir -m 700 mine && ln -s ../mine home/.nimbrel",
         "mine/", "", false},
        {"a link in a home others may write", "mkdir -m 777 home mine && ln -s ../mine home/.nimbrel", "",
         "home/ may be written by others", true},
        {"a file at its name", "mkdir -m 755 home && echo x >home/.nimbrel", "", "home/.nimbrel", false},
        {"another user's home, for root", "mkdir -m 755 home && chown 65534 home", "", "home/ belongs to the user nobody",
         true, true},
        {"root's home, for an ordinary user", "mkdir -m 755 home", "", "home/ belongs to root", true, true, true},
        {"root's folder, as a run of root's with this HOME left it",
         "mkdir -m 755 home && mkdir -m 700 home/.nimbrel && chown 65534 home", "", "home/.nimbrel/ belongs to root",
         false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needs_root && ::geteuid() != 0) continue;  // another user's folders need root to make
        scratch_dir dir;
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);  // for the other user's walk
        ASSERT_EQ(run_shell("cd '" + dir.path() + "' && " + c.make).status, 0);
        struct stat made;
        if (c.group != row::system_groups) {
            ASSERT_EQ(::stat((dir / "home/.nimbrel").c_str(), &made), 0);
            const std::string me = std::to_string(::geteuid()), other = std::to_string(::geteuid() + 1),
                              gid = std::to_string(made.st_gid), another_gid = std::to_string(made.st_gid + 1);
            write_file(dir / "passwd", "me:x:" + me + ":" + another_gid + "::/:/bin/sh\nthem:x:" + other + ":" +
                                           another_gid + "::/:/bin/sh\n");
            write_file(dir / "group", "g:x:" + gid + ":" + (c.group == row::shared ? "me,them" : "") + "\n");
            set_account_files(dir / "passwd", dir / "group");
        }
        ASSERT_TRUE(xer.open(dir / "log.txt"));
        env_var home("HOME", (dir / "home").c_str());
        const auto judge = [&] {
            per_user_folder_trouble_forget();
            std::string prefs = "as passed";
            get_OS_abs_path(os_dir_prefs, prefs);
            bool in_home = !c.in_home;
            const std::string trouble = per_user_folder_trouble(&in_home);
            struct stat st;
            return (prefs == (*c.given ? dir / c.given : "as passed") ? 0 : 1) |
                   ((*c.trouble ? trouble.find(c.trouble) != std::string::npos && in_home == c.in_home
                                : trouble.empty()) ? 0 : 2) |
                   (!*c.given || (::stat(prefs.c_str(), &st) == 0 && (st.st_mode & 0777) == 0700) ? 0 : 4);
        };
        const int wrong = c.as_another_user ? testing_support::run_unprivileged(judge) : judge();
        xer.close();
        EXPECT_EQ(wrong & 1, 0) << "another folder given";
        EXPECT_EQ(wrong & 2, 0) << "another trouble, or none";
        EXPECT_EQ(wrong & 4, 0) << "the folder given is not the user's alone";
        EXPECT_FALSE(c.in_home && !has_text(c.make, ".nimbrel") && file_exists(dir / "home/.nimbrel"))
            << "a folder was made in that home";
        set_account_files("", "");
        const std::string log = read_file(dir / "log.txt");
        EXPECT_TRUE(!has_text(c.make, "/sim") || read_file(dir / "home/.nimbrel/nimbrel_install.txt") == "/sim\n")
            << "the registry was lost";
        EXPECT_EQ(log.find("made this user's alone") != std::string::npos, c.taken_over) << log;
        // What was set aside is there as it was, under a name of its own,
        // and said in the log; nothing else was.
        int set_aside = 0;
        for (size_t at = 0; *c.set_aside && at != std::string::npos;) {
            const std::string list = c.set_aside, name = list.substr(at, list.find('|', at) - at);
            at = list.find('|', at) == std::string::npos ? std::string::npos : list.find('|', at) + 1;
            ++set_aside;
            const std::string aside = dir / "home/.nimbrel/" + name;
            struct stat st;
            EXPECT_EQ(::lstat(aside.c_str(), &st), 0) << name << " is not where it was set aside";
            EXPECT_TRUE(has_text(log, ("set aside as " + aside + ",").c_str())) << name << "\n" << log;
        }
        EXPECT_EQ(testing_support::count_of(log, "set aside as "), set_aside) << log;
        EXPECT_EQ(testing_support::count_of(run_shell("ls -A '" + dir / "home/.nimbrel" + "' 2>/dev/null").out,
                                            ".set-aside"),
                  set_aside + has_text(c.make, ".set-aside"));
        EXPECT_TRUE(!has_text(c.make, "other") || read_file(dir / "other") == "mine\n")
            << "another file was written through a second name";
        EXPECT_TRUE(!has_text(c.make, "/theirs") ||
                    !has_text(read_file(dir / "home/.nimbrel/nimbrel_install.txt"), "/theirs"))
            << "another's registry was kept";
    }

    // Told once, with what to do; nothing at all without a HOME.
    scratch_dir dir;
    ::mkdir((dir / "shared").c_str(), 0777);
    ::chmod((dir / "shared").c_str(), 0777);
    testing_support::alert_recorder alerts;
    per_user_folder_notice_forget();
    const std::string shared = dir / "shared";
    for (const char* value : {static_cast<const char*>(nullptr), shared.c_str()}) {
        env_var h("HOME", value);
        for (int twice = 0; twice < 2; ++twice) {
            std::string prefs;
            get_OS_abs_path(os_dir_prefs, prefs);
            tell_per_user_folder_trouble();
        }
    }
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].level, 1);
    EXPECT_EQ(alerts.joined(3), std::vector<std::string>{
        "I cannot keep the installer's settings or the list of installed copies of Nimbrel 9: a folder they need "
        "cannot be used.|Error: " + dir / "shared/ may be written by others.|Start the installer with a home folder "
        "(HOME) of your own that no one else may write."});

    // The error line in the user's language too (in a table of the test's
    // own), not the log's English.
    write_file(dir / "table.txt", "I\n900 version\nTRANSLATION\nSTRING Error: %1:message%.====Fehler: %1:message%.\n"
                                  "STRING %1:folder% may be written by others====%1:folder% steht anderen offen\n");
    UTL_translate_load_table(2, dir / "table.txt");
    alerts.clear();
    per_user_folder_notice_forget();
    {
        env_var h("HOME", shared.c_str());
        std::string prefs;
        get_OS_abs_path(os_dir_prefs, prefs);
        tell_per_user_folder_trouble();
    }
    UTL_translate_clear();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line2, "Fehler: " + dir / "shared/ steht anderen offen.");
    per_user_folder_notice_forget();
    per_user_folder_trouble_forget();
}

TEST(SystemFolders, TempIgnoresTheEnvironmentAndUnknownValuesKeepTheString)
{
    env_var t("TMPDIR", "/elsewhere");
    std::string temp, other = "unchanged";
    get_OS_abs_path(os_dir_temp, temp);
    get_OS_abs_path(static_cast<os_dir_type>(17), other);
    EXPECT_EQ(temp, "/tmp/");
    EXPECT_EQ(other, "unchanged");
}

TEST(SystemFolders, ProgramFolderAndFileComeFromProc)
{
    std::string folder, file;
    g_case_sensitive = 0;
    get_OS_abs_path(os_dir_this_app, folder);
    get_OS_abs_path(os_dir_this_app_file, file);
    EXPECT_EQ(g_case_sensitive, 1) << "finding the program's path turns case correction on";
    EXPECT_EQ(folder, testing_support::test_program_dir());
    EXPECT_EQ(file, folder + "core_tests");
}

TEST(SystemFolders, LinkTargetsOfAnyLengthAreReadWhole)
{
    scratch_dir dir;
    std::string target = "/" + std::string(3000, 'x');
    ASSERT_EQ(::symlink(target.c_str(), (dir / "link").c_str()), 0);
    std::string read;
    ASSERT_TRUE(read_link_target(dir / "link", read));
    EXPECT_EQ(read, target);
    EXPECT_FALSE(read_link_target(dir / "no-link", read));
}
