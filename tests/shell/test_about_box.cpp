// The about box's update check: the server list read and judged from files,
// and the texts it shows.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "archive_builders.h"
#include "core/diag/log_stream.h"
#include "shell/about_box.h"
#include "test_support.h"

namespace {

using archive_fixtures::make_zip;
using archive_fixtures::zip_entry;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

const std::string kHeader = "I\n820 version\nSERVERS\n";

// -- Reading and deciding ---

class about_list : public ::testing::Test {
protected:
    // Reads `body` after the list's header as a completed fetch would.
    about_state& read(const std::string& body, const std::string& header = kHeader)
    {
        write_file(dir_ / "serverlist9.txt", header + body);
        about_read_list(dir_ / "serverlist9.txt", state_);
        return state_;
    }
    scratch_dir dir_;
    about_state state_;
};

TEST_F(about_list, EqualVersionIsUpToDateWithoutLookingAtTheBeta)
{
    const about_state& s = read("FINAL Nimbrel 9.21\nFINAL_VERSION 92102\nBETA_VERSION 99999\n"
                                "BETA_INSTALLER_LIN beta.example /b.zip\nFINAL_INSTALLER_LIN www.example /f.zip\n");
    EXPECT_EQ(s.ins_state, 4);
    EXPECT_EQ(s.is_beta, 0);
    EXPECT_EQ(s.err_msg, "Your version of Nimbrel is up to date.");
    EXPECT_EQ(s.version_str_found, 1);
    EXPECT_EQ(about_status_line(s), "The current version of Nimbrel is now Nimbrel 9.21.");
}

TEST_F(about_list, AnOlderFinalIsTheLatestBetaUnlessABetaIsNewer)
{
    for (const char* beta : {"BETA_VERSION 92102\n", "", "BETA_VERSION 50000\n"}) {
        state_ = about_state();
        const about_state& s = read(std::string("FINAL_VERSION 92000\n") + beta +
                                    "BETA_INSTALLER_LIN beta.example /b.zip\n");
        EXPECT_EQ(s.ins_state, 4) << beta;
        EXPECT_EQ(s.err_msg, "You have the latest Nimbrel beta.") << beta;
    }

    // A newer beta with its installer line: the beta button and status line.
    state_ = about_state();
    about_state& s = read("FINAL\tNimbrel 9.20\nBETA   Nimbrel 9.30 beta 1  \nFINAL_VERSION 92000\n"
                          "BETA_VERSION 93001\nBETA_INSTALLER_LIN beta.example\t/pub/new beta.zip\n");
    EXPECT_EQ(s.ins_state, 1);
    EXPECT_EQ(s.is_beta, 1);
    EXPECT_EQ(s.installer_server, "beta.example");
    EXPECT_EQ(s.installer_path, "/pub/new beta.zip") << "the path is the rest of the line";
    EXPECT_EQ(about_status_line(s), "The current beta version of Nimbrel is now Nimbrel 9.30 beta 1  .");

    // Without the line: the notice.  Installer lines count for their read only.
    read("FINAL_VERSION 92000\nBETA_VERSION 93001\n");
    EXPECT_EQ(s.ins_state, 4);
    EXPECT_EQ(s.err_msg, "There is a newer beta of Nimbrel available! Visit www.orrindalelabs.example to "
                         "download the update.");
}

TEST_F(about_list, ANewerFinalIsOfferedOnlyWithAUsableInstallerLine)
{
    const about_state& s = read("FINAL 9.30\nFINAL_VERSION 93000\n");
    EXPECT_EQ(s.ins_state, 4);
    EXPECT_EQ(s.err_msg, "There is a new version of Nimbrel available! Visit www.orrindalelabs.example to "
                         "download the update.");

    read("FINAL_VERSION 93000\r\n  FINAL_INSTALLER_LIN files.example /lin/installer.zip\r\n");
    EXPECT_EQ(s.ins_state, 1);
    EXPECT_EQ(s.is_beta, 0);
    EXPECT_EQ(s.installer_server + s.installer_path, "files.example/lin/installer.zip");

    // The client would end the program on these as on a programming error:
    // from a server they are lines that cannot be used.
    for (const char* bad : {"FINAL_INSTALLER_LIN files.example/ /x.zip\n", "FINAL_INSTALLER_LIN files.example x.zip\n",
                            "FINAL_INSTALLER_LIN files.example\n", "FINAL_INSTALLER_LIN\n"}) {
        read(std::string("FINAL_VERSION 93000\n") + bad);
        EXPECT_EQ(s.ins_state, 4) << bad;
        EXPECT_EQ(s.err_msg.compare(0, 22, "There is a new version"), 0) << bad;
    }
}

TEST_F(about_list, KeywordsMatchWholeAndNumbersAreReadLeniently)
{
    const about_state& s = read("final 99999\nFINAL_VERSIONS 99999\nFINAL_VERSION 9a\nBETA_VERSION\n"
                                "SERVER files.example\n/path/\nA server row\nBETA_VERSIONX 99999\n");
    EXPECT_EQ(s.version_final, 139) << "9 then 'a' - '0' = 49";
    EXPECT_EQ(s.version_beta, 0) << "nothing after the keyword reads as 0";
    EXPECT_EQ(s.version_str_found, 0) << "no FINAL line: the list is fetched again";
    EXPECT_EQ(s.err_msg, "You have the latest Nimbrel beta.");
    EXPECT_EQ(about_status_line(s),
              "I could not connect to the net to find the current version of Nimbrel at www.orrindalelabs.example!");

    read(std::string("FINAL_VERSION -5\0BETA_VERSION +93000\nFINAL\n", 43));
    EXPECT_EQ(s.version_final, -5);
    EXPECT_EQ(s.version_beta, 93000) << "a zero byte ends a line";
    EXPECT_EQ(s.version_str_found, 1);
    EXPECT_EQ(s.version_str_net, "");
}

TEST_F(about_list, ABadHeaderOrNoFileDecidesOnEarlierValues)
{
    const about_state& s = read("", "");
    EXPECT_EQ(s.err_msg, "Can't connect to the net to find latest version.");
    about_read_list(dir_ / "missing.txt", state_);
    EXPECT_EQ(s.err_msg, "Can't connect to the net to find latest version.");

    read("FINAL_VERSION 93000\nFINAL_INSTALLER_LIN files.example /f.zip\n");
    ASSERT_EQ(s.ins_state, 1);
    for (const char* header : {"I\n900 version\nSERVERS\n", "I\n820 version\nSERVER\n", "I\n820\n"}) {
        read("FINAL_VERSION 92102\nFINAL_INSTALLER_LIN other.example /o.zip\n", header);
        EXPECT_EQ(s.version_final, 93000) << header;
        EXPECT_EQ(s.ins_state, 4) << "the installer line of an earlier read is not reused";
    }
}

TEST(about_texts, PercentIsSixtyFourBitAndAbsentWithoutALength)
{
    EXPECT_EQ(about_download_percent(25'000'000, 30'000'000), 83) << "past 21 MB, 32 bits overflow";
    EXPECT_EQ(about_download_percent(int64_t{3} << 32, int64_t{4} << 32), 75);
    EXPECT_EQ(about_download_percent(5, 0), -1);
    EXPECT_EQ(about_download_percent(5, -1), -1);
    EXPECT_EQ(about_download_percent(9, 3), 100);
    EXPECT_EQ(about_progress_line(-1), "Downloading the installer...");
    EXPECT_EQ(about_progress_line(0), "Downloading the installer...0% complete");
}

// -- The newer installer's archive ---

// What a server sends is started: only an archive of one whole program is
// taken, and a refused one changes nothing in the folder.  Each is refused
// for its own reason, as the log says.
TEST(about_installer, OnlyOneWholeExecutableIsUnpackedAndNothingElse)
{
    const zip_entry program = {"New Installer", "#!/bin/sh\n", 0100755u << 16};
    zip_entry huge = program;
    huge.claimed_size = 300u << 20;
    const struct {
        const char* what;
        std::vector<zip_entry> entries;
        const char* reason;
        unsigned long long bound = 4096;
    } refused[] = {
        {"Mac metadata beside it", {program, {"__MACOSX/._New Installer", "meta"}}, "as well"},
        {"a folder before it", {{"Installer/", "", archive_fixtures::unix_folder()}, program}, "no regular file"},
        {"a link", {{"New Installer", "/bin/sh", archive_fixtures::unix_link()}}, "no regular file"},
        {"a file in a folder", {{"bin/run", "#!/bin/sh\n", 0100755u << 16}}, "lies in a folder"},
        {"a file that is not executable", {{"New Installer", "#!/bin/sh\n"}}, "not executable"},
        {"over the bound", {{"New Installer", std::string(5000, 'x'), 0100755u << 16}}, "larger than any"},
        // A size its packed bytes cannot hold is refused as it is read,
        // before any bound is weighed.
        {"claiming past the installers' bound what it cannot hold", {huge}, "unable to read from a zip file",
         kAboutInstallerMaxBytes},
        // -105 is minizip's bad CRC: the 100 bytes read are not the file.
        {"claiming less than it holds", {{"New Installer", std::string(5000, 'x'), 0100755u << 16, false, 100}},
         "Error code -105"},
        {"a damaged file", {{"New Installer", "#!/bin/sh\n", 0100755u << 16, true}}, "Error code -105"},
        // minizip opens no archive without entries.
        {"nothing", {}, "unable to open a zip file"},
    };
    scratch_dir dir, app, logs;
    xer.open(logs / "log.txt");
    for (const auto& c : refused) {
        write_file(app / "New Installer", "the old one");
        write_file(dir / "installer.zip", make_zip(c.entries));
        std::string name = "unchanged";
        xer << std::flush;
        const size_t logged_before = read_file(logs / "log.txt").size();
        EXPECT_EQ(about_unpack_installer(dir / "installer.zip", app / "", name, c.bound), 20001) << c.what;
        xer << std::flush;
        // Only what this archive logged: a row whose refusal says nothing
        // must not pass on an earlier row's reason.
        const std::string log = read_file(logs / "log.txt").substr(logged_before);
        const size_t refusal = log.rfind("refused the installer archive");
        EXPECT_TRUE(refusal != std::string::npos && log.find(c.reason, refusal) != std::string::npos)
            << c.what << "\n" << log;
        EXPECT_EQ(read_file(app / "New Installer"), "the old one") << c.what;
        EXPECT_EQ(name, "unchanged") << c.what;
        EXPECT_EQ(testing_support::run_shell("ls -A '" + app.path() + "'").out, "New Installer\n") << c.what;
    }
    xer.close();
    // Within the same bound, the program alone is taken (what becomes of
    // it: the end-to-end hand-over).
    write_file(dir / "installer.zip", make_zip({program}));
    std::string name;
    EXPECT_EQ(about_unpack_installer(dir / "installer.zip", app / "", name, 4096), 0);
    write_file(dir / "installer.zip", archive_fixtures::with_comment(make_zip({program}), std::string(65535, 'c')));
    EXPECT_EQ(about_unpack_installer(dir / "installer.zip", app / "", name, 4096), 0)
        << "behind an archive comment of 65,535 bytes";
}

}  // namespace
