// read_directory on manifest files: the header it accepts, the newer-format
// notice, and what a read resets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "core/diag/error_codes.h"
#include "core/core_globals.h"
#include "core/shell_hooks.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "alert_recorder.h"
#include "archive_builders.h"
#include "engine_test_support.h"
#include "fake_browser.h"
#include "test_support.h"

namespace {

using engine_testing::manifest_text;
using testing_support::scratch_dir;
using testing_support::write_file;

const std::string kLine = "FILE 1 0 0 10 20 0123456789abcdef0123456789abcdef top/a.txt\n";

class ManifestFile : public ::testing::Test {
protected:
    void SetUp() override { engine_testing::reset_engine_state(); }

    int read(const std::string& bytes)
    {
        write_file(dir_ / "directory.txt", bytes);
        return read_directory(dir_ / "directory.txt", "ignored");
    }

    scratch_dir dir_;
    testing_support::fake_browser browser_;  // the newer-format notice opens one
};

TEST_F(ManifestFile, BothKnownVersionsAreRead)
{
    EXPECT_EQ(read(manifest_text(kLine, 840)), kDirectoryRead);
    EXPECT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(read(manifest_text(kLine + kLine, 900)), kDirectoryRead);
    EXPECT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(sim_info[0].size(), 2u) << "a second read replaces the first";
}

TEST_F(ManifestFile, ASignedCrlfHeaderIsRead)
{
    EXPECT_EQ(read("\xEF\xBB\xBF" "A\r\n900 version\r\nINSTALLER\r\n\r\n" + kLine), kDirectoryRead);
    ASSERT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(sim_info[0][0].path, "top/a.txt");
}

TEST_F(ManifestFile, AHeaderFromTheFutureRaisesTheNewerFormatNotice)
{
    testing_support::alert_recorder catcher;
    sim_info.push_back({file_version_struct{}});
    stg.avail_sectors[1][2] = 1;
    stg.has_scenery = 1;
    stg.download_total = 5;

    EXPECT_EQ(read(manifest_text(kLine, 901)), kDirectoryNewerFormat);
    EXPECT_TRUE(sim_info.empty());
    EXPECT_EQ(stg.download_total, 0) << "totals are reset before the header is read";
    EXPECT_EQ(stg.avail_sectors[1][2], 1) << "the grid keeps its earlier values";
    EXPECT_EQ(stg.has_scenery, 1);
    EXPECT_EQ(stg.format_error, 2);
    EXPECT_EQ(app_done, 1);
    ASSERT_EQ(catcher.alerts().size(), 1u);
    EXPECT_EQ(catcher.alerts()[0].level, 1);
    EXPECT_EQ(catcher.alerts()[0].line4, dir_ / "directory.txt");
}

// Only a newer version is reason to get a new installer: a file cut off or
// of another kind is a damaged manifest, which another server may send whole.
TEST_F(ManifestFile, AnEmptyCutOffOrForeignHeaderIsADamagedManifest)
{
    testing_support::alert_recorder catcher;
    for (const std::string& text : std::vector<std::string>{"", "I\n90", "I\n900 versi", "I\n900 version\nINSTAL",
                                                             "I\n900 version\nSERVERS\n" + kLine,
                                                             manifest_text(kLine, 820)}) {
        EXPECT_EQ(read(text), kDirectoryDamaged) << text;
        EXPECT_TRUE(sim_info.empty());
    }
    EXPECT_TRUE(catcher.alerts().empty());
    EXPECT_EQ(app_done, 0);
}

TEST_F(ManifestFile, AMissingManifestIsFatal)
{
    testing_support::alert_recorder catcher;
    read_directory(dir_ / "nowhere.txt", "");
    ASSERT_EQ(catcher.alerts().size(), 1u);
    EXPECT_EQ(catcher.alerts()[0].level, 2);
    EXPECT_EQ(catcher.alerts()[0].line1, "I tried to read a directory file that does not exist!");
    EXPECT_EQ(catcher.alerts()[0].line3, dir_ / "nowhere.txt");
}

TEST_F(ManifestFile, AMissingManifestEndsTheProgram)
{
    EXPECT_EXIT(read_directory(dir_ / "nowhere.txt", ""), ::testing::KilledBySignal(SIGABRT), "");
}

TEST_F(ManifestFile, AMillionLinesAreReadIntoTheirHistories)
{
    std::string body;
    body.reserve(60u << 20);
    for (int i = 0; i < 1000000; ++i) {
        body += "FILE 1 0 0 1 2 0123456789abcdef0123456789abcdef top/f";
        body += std::to_string(i / 2);
        body += '\n';
    }
    EXPECT_EQ(read(manifest_text(body)), kDirectoryRead);
    EXPECT_EQ(sim_info.size(), 500000u);
    EXPECT_EQ(sim_info.back().size(), 2u);
}

// The manifest's archive may carry a comment of any legal length.
TEST(ManifestArchive, AManifestBehindAnArchiveCommentOf65535BytesUnpacks)
{
    scratch_dir dir;
    const std::string text = manifest_text(kLine);
    write_file(dir / "m.zip",
               archive_fixtures::with_comment(archive_fixtures::make_zip({{"directory.txt", text}}), std::string(65535, 'c')));
    EXPECT_EQ(unpack_manifest(dir / "m.zip", dir.path()), 0);
    EXPECT_EQ(testing_support::read_file(dir / "directory.txt"), text);
}

// A small archive may unpack to millions of lines well under the size bound:
// one line past the bound, however the lines end, is refused before a line
// is read, and nothing is left for a later read to take.
TEST(ManifestArchive, AManifestOfTooManyLinesIsRefusedAsTooLarge)
{
    for (const std::string& line_end : std::vector<std::string>{"\n", "\r", std::string(1, '\0'), "\r\n"}) {
        for (const long long lines : {kManifestMaxLines, kManifestMaxLines + 1}) {
            scratch_dir dir;
            std::string text = manifest_text("");
            for (long long n = std::count(text.begin(), text.end(), '\n'); n < lines; ++n) text += line_end;
            write_file(dir / "m.zip", archive_fixtures::make_zip({{"directory.txt", text}}));
            const bool refused = lines > kManifestMaxLines;
            EXPECT_EQ(unpack_manifest(dir / "m.zip", dir.path()), refused ? kErrLargerThanExpected : 0) << lines;
            EXPECT_EQ(testing_support::file_exists(dir / "directory.txt"), !refused) << lines;
        }
    }
}

}  // namespace
