#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "test_support.h"

using testing_support::read_file;
using testing_support::scratch_dir;

namespace {

// Parses `args` (after a program path) into a fresh command line and
// returns what it logged.
std::string parse(UTL_cmdline& line, std::vector<const char*> args)
{
    scratch_dir dir;
    xer.open(dir / "log.txt");
    args.insert(args.begin(), "/opt/nimbrel/installer");
    line.init_unix(static_cast<int>(args.size()), args.data());
    xer.close();
    return read_file(dir / "log.txt");
}

std::string parse_win(UTL_cmdline& line, const char* text)
{
    scratch_dir dir;
    xer.open(dir / "log.txt");
    line.init_win(text);
    xer.close();
    return read_file(dir / "log.txt");
}

void some_commands(std::vector<std::string>& names, std::vector<std::string>& descriptions)
{
    names = {"sim/quit", "sim/view/forward", "sim/view/back", "net/retry"};
    descriptions = {"Quit.", "Look forward.", "Look back.", "Retry the download."};
}

void commands_below(const std::string& prefix, std::vector<std::string>& out)
{
    out = prefix.empty() ? std::vector<std::string>{"sim/", "net/"}
                         : std::vector<std::string>{"quit", "view/"};
}

// For the statement of an exit test: standard output goes where the test
// looks (standard error), and the registry has a few commands.
#define RUN_PRINTING(statement)                                            \
    do {                                                                   \
        ::dup2(2, 1);                                                      \
        set_command_registry_hooks({some_commands, commands_below});       \
        statement;                                                         \
    } while (0)

}  // namespace

TEST(CommandLine, ValueIsEverythingAfterTheFirstEquals)
{
    UTL_cmdline line;
    std::string log = parse(line, {"--lang=fr=x", "--fps_test", "--pref:_proxy=a b"});
    EXPECT_EQ(line.get_option("--lang"), "fr=x");
    EXPECT_EQ(line.has_option("--fps_test"), 1);
    EXPECT_EQ(line.get_option("--fps_test"), "");
    EXPECT_EQ(line.get_option("--pref:_proxy"), "a b");
    EXPECT_EQ(log, "     '--lang'='fr=x'\n     '--fps_test'\n     '--pref:_proxy'='a b'\n");
}

TEST(CommandLine, SeparateArgumentsAreSeparateOptionsAndNamesMatchWholeWithCase)
{
    UTL_cmdline line;
    parse(line, {"--lang", "fr", "-path", "/home/u/Nimbrel/", "--LANG=de", "=x"});
    EXPECT_EQ(line.get_option("--lang"), "");
    EXPECT_EQ(line.has_option("fr"), 1);
    EXPECT_EQ(line.has_option("/home/u/Nimbrel/"), 1);
    EXPECT_EQ(line.get_option("--LANG"), "de");
    EXPECT_EQ(line.has_option("--lan"), 0);
    EXPECT_EQ(line.get_option(""), "x") << "=x is stored under the empty name";
    EXPECT_EQ(line.has_option("--missing"), 0);
    EXPECT_EQ(line.get_option("--missing"), "");
    EXPECT_EQ(line.has_option("--missing"), 0) << "asking adds no entry";
}

TEST(CommandLine, RepeatedOptionIsWarnedAboutAndTheLastValueWins)
{
    UTL_cmdline line;
    std::string log = parse(line, {"--lang=fr", "--lang=de"});
    EXPECT_EQ(line.get_option("--lang"), "de");
    EXPECT_EQ(log,
              "     '--lang'='fr'\n"
              "WARNING: command line option --lang=deused twice.\n"
              "     '--lang'='de'\n");
}

TEST(CommandLine, SingleStringIsCutAtWhiteSpaceAndDropsNamelessWords)
{
    UTL_cmdline line;
    std::string log = parse_win(line, "  --lang=fr \t=x --no_vbos\n--pref:a=1=2  ");
    EXPECT_EQ(line.get_option("--lang"), "fr");
    EXPECT_EQ(line.has_option(""), 0);
    EXPECT_EQ(line.has_option("--no_vbos"), 1);
    EXPECT_EQ(line.get_option("--pref:a"), "1=2");
    EXPECT_EQ(log, "     '--lang'='fr'\n     '--no_vbos'\n     '--pref:a'='1=2'\n");

    UTL_cmdline blank;
    EXPECT_EQ(parse_win(blank, " \t\n "), "");
    EXPECT_EQ(blank.has_option(""), 0);
}

TEST(CommandLineDeathTest, HelpPrintsTheUsageAndExits)
{
    EXPECT_EXIT(RUN_PRINTING(UTL_cmdline().init_win("--help")), testing::ExitedWithCode(0),
                "^Usage: Nimbrel \\[options...\\]\n\n.*--require_fps=n\n.*"
                "performance is as expected\\.\n\n$");
    EXPECT_EXIT(RUN_PRINTING(UTL_cmdline().init_win("-h")), testing::ExitedWithCode(0),
                "Usage: Nimbrel");
}

TEST(CommandLineDeathTest, VersionExitsSilentlyAndBeatsHelp)
{
    EXPECT_EXIT(RUN_PRINTING(UTL_cmdline().init_win("--help --version")),
                testing::ExitedWithCode(0), "^$");
}

TEST(CommandLineDeathTest, CommandListAllShowsNamesWithDescriptionsAndBeatsHelp)
{
    std::string first = "sim/quit" + std::string(42, ' ') + " Quit.\n";
    EXPECT_EXIT(RUN_PRINTING(UTL_cmdline().init_win("--help --cmnds=all")),
                testing::ExitedWithCode(0),
                "^" + first + "sim/view/forward +Look forward\\.\n"
                "sim/view/back +Look back\\.\nnet/retry +Retry the download\\.\n$");
}

TEST(CommandLineDeathTest, CommandListBelowAPathIsSorted)
{
    EXPECT_EXIT(RUN_PRINTING(UTL_cmdline().init_win("--cmnds")), testing::ExitedWithCode(0),
                "^net/\nsim/\n$");
    EXPECT_EXIT(RUN_PRINTING(UTL_cmdline().init_win("--cmnds=sim/")), testing::ExitedWithCode(0),
                "^quit\nview/\n$");
}

TEST(CommandLineDeathTest, WithoutARegistryTheCommandListIsEmpty)
{
    EXPECT_EXIT(
        do {
            ::dup2(2, 1);
            UTL_cmdline().init_win("--cmnds=all");
        } while (0),
        testing::ExitedWithCode(0), "^$");
}
