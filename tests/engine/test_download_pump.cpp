// The download pump against a release served by nginx: a whole install,
// deletions with the folder clean-up, a server that drops connections, a
// damaged archive, an archive larger than the manifest says, and archives
// that cannot be saved or unpacked here.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "core/files/file_checksum.h"
#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "engine/destination_folders.h"
#include "engine/download_pump.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "http_harness.h"
#include "release_on_nginx.h"

namespace {

using testing_support::alert_recorder;
using engine_testing::release_files;
using engine_testing::release_on_nginx;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::write_file;

std::string pattern(size_t size, int seed)
{
    std::string bytes(size, '\0');
    unsigned x = static_cast<unsigned>(seed) * 2654435761u + 1;
    for (char& c : bytes) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
    return bytes;
}

release_files sample_release()
{
    release_files files = {
        {"readme.txt", "hello"},
        {"empty.txt", ""},
        {"Resources/maps/a b.png", pattern(300000, 1)},
        {"Resources/big.bin", pattern(3 * 1024 * 1024 + 5, 2)},
        {"Aircraft/deep/er/still/x.acf", pattern(70000, 3)},
        // A download server packs scenery tiles as zips like every other
        // file; only the DVDs hold them as 7z.
        {"Global Scenery/+40-080/+42-074.dsf", pattern(50000, 4)},
    };
    for (int i = 0; i < 40; ++i) files.push_back({"Resources/many/f" + std::to_string(i) + ".txt", pattern(100 + i, i)});
    return files;
}

TEST(DownloadPump, InstallsAReleaseByteForByte)
{
    release_files files = sample_release();
    release_on_nginx release(files);
    ASSERT_TRUE(release.ready()) << release.problem();
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    release_on_nginx::plan_everything();

    EXPECT_EQ(release_on_nginx::run_pump(), 1);
    EXPECT_EQ(stg.extract_failed, 0);
    EXPECT_EQ(next.done, 1);
    for (const auto& [path, bytes] : files) {
        std::string sum;
        ASSERT_EQ(calc_file_md5(release.dest() + path, sum), 0) << path << " missing";
        EXPECT_EQ(read_file(release.dest() + path), bytes) << path << " differs";
    }
    for (const file_history_struct& history : sim_info) {
        std::string sum;
        calc_file_md5(release.dest() + history.back().path.substr(8), sum);
        EXPECT_EQ(sum, history.back().sig_want) << history.back().path;
        EXPECT_EQ(history.back().is_current, 1) << history.back().path;
    }
    for (int k = 0; k < kStreamCount; ++k) {
        EXPECT_FALSE(file_exists(stream_archive_path(k)));
        EXPECT_FALSE(file_exists(stream_archive_path(k) + ".keep")) << "the stream's kept file outlived the run";
    }
    EXPECT_TRUE(alerts.alerts().empty()) << alerts.alerts().front().line1;
    int tiles = 0;
    for (const file_history_struct& history : sim_info) tiles += history.back().is_global;
    EXPECT_EQ(tiles, 1) << "the tile was not read as global scenery";
}

TEST(DownloadPump, GoneFilesAreDeletedAndTheFoldersTheyEmptiedRemoved)
{
    release_on_nginx release(release_files{{"keep.txt", "k"}},
                             {"--gone", "old/a/x.txt", "--gone", "old/hidden/y.txt", "--gone", "top.txt"});
    ASSERT_TRUE(release.ready()) << release.problem();
    write_file(release.dest() + "old/a/x.txt", "x");
    write_file(release.dest() + "old/hidden/y.txt", "y");
    write_file(release.dest() + "old/hidden/.keep", "");
    write_file(release.dest() + "top.txt", "t");
    ASSERT_TRUE(release.fetch_manifest());
    release_on_nginx::plan_everything();
    stg.log_actions = 1;
    http_harness::captured_log log;

    EXPECT_EQ(release_on_nginx::run_pump(), 1);
    EXPECT_FALSE(file_exists(release.dest() + "old/a/x.txt"));
    EXPECT_FALSE(file_exists(release.dest() + "old/a")) << "an emptied folder goes";
    EXPECT_FALSE(file_exists(release.dest() + "old/hidden/y.txt"));
    EXPECT_TRUE(file_exists(release.dest() + "old/hidden/.keep")) << "a hidden file keeps its folder";
    EXPECT_TRUE(file_exists(release.dest() + "old/"));
    EXPECT_FALSE(file_exists(release.dest() + "top.txt"));
    EXPECT_TRUE(file_exists(release.dest())) << "the destination itself stays";
    EXPECT_EQ(read_file(release.dest() + "keep.txt"), "k");
    EXPECT_EQ(deleted_files, (std::set<std::string>{release.dest() + "old/", release.dest() + "old/a/",
                                                    release.dest() + "old/hidden/"}));
    std::string text = log.text();
    EXPECT_NE(text.find("now we want to nuke a file: DELETING  file " + release.dest() + "top.txt, with result=0.\n"),
              std::string::npos)
        << text;
    EXPECT_LT(text.find("cleanup: DELETING  file " + release.dest() + "old/hidden/"),
              text.find("cleanup: DELETING  file " + release.dest() + "old/a/"))
        << "deeper and later folders first";
}

TEST(DownloadPump, DroppedConnectionsMoveToAnotherServerAndTheInstallCompletes)
{
    release_on_nginx release(sample_release(),
                             {"--server", "dead.example", "/", "Dead", "--server", "files.nimbrel.com", "/", "Main"},
                             "if ($host = dead.example) { return 444; }");
    ASSERT_TRUE(release.ready()) << release.problem();
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    release_on_nginx::plan_everything();
    stg.server_choice = 0;
    srand(3);

    EXPECT_EQ(release_on_nginx::run_pump(), 1);
    EXPECT_EQ(stg.server_choice, 1) << "only the live server can have finished the run";
    EXPECT_EQ(stg.download_failed, 0) << "the last transfer succeeded";
    EXPECT_EQ(read_file(release.dest() + "Resources/big.bin"), pattern(3 * 1024 * 1024 + 5, 2));
    for (const file_history_struct& history : sim_info) EXPECT_EQ(history.back().is_current, 1);
}

TEST(DownloadPump, DamagedArchiveWarnsEndsTheRunAndLeavesTheFileNotCurrent)
{
    release_on_nginx release(release_files{{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    write_file(release.web() / "Demo/Nimbrel/b.txt.zip", "PK\x03\x04 damaged beyond repair");
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    release_on_nginx::plan_everything();

    EXPECT_EQ(release_on_nginx::run_pump(), 1);
    EXPECT_EQ(stg.extract_failed, 1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line1, "The installer cannot extract a file.");
    EXPECT_EQ(alerts.alerts()[0].line3.rfind("Compressed File: " + temp_path, 0), 0u);
    EXPECT_EQ(alerts.alerts()[0].line4, "Destination: " + release.dest() + "b.txt");
    EXPECT_EQ(sim_info[1].back().is_current, 0) << "a file that did not unpack is not current";
    EXPECT_EQ(next.done, 0) << "the run ended early";
    for (int k = 0; k < kStreamCount; ++k)
        EXPECT_FALSE(file_exists(stream_archive_path(k))) << "the damaged archive is deleted";
}

// What fails here is no server's fault: the install ends at once, saying
// why, with no file asked of the second server and no server blamed.
TEST(DownloadPump, AnArchiveThatCannotBeSavedOrUnpackedHereEndsTheInstallAtOnce)
{
    struct local_case {
        const char* what;
        void (*spoil)();
        const char* alert;  // its first two lines
        const char* failing;  // the file that fails
        bool full_disk = false;  // the run's temporary folder on a disk filled first
    };
    for (const local_case& c :
         {local_case{"a full disk", [] {},
                     "The installer cannot save a downloaded file.|"
                     "Error: No space left on device. Perhaps your hard drive is full", "a.txt", true},
          local_case{"the run's temporary folder removed", [] { testing_support::remove_tree(temp_path); },
                     "The installer cannot save a downloaded file.|Error: No such file or directory", "a.txt"},
          // Every archive fits under the size limit of this process's files;
          // the file that c.txt's unpacks to does not.
          local_case{"a file larger than this process may write",
                     [] {
                         const rlimit small = {256 * 1024, RLIM_INFINITY};
                         ::setrlimit(RLIMIT_FSIZE, &small);
                     },
                     "The installer cannot extract a file.|Error: File too large", "c.txt"}}) {
        SCOPED_TRACE(c.what);
        release_on_nginx release(
            release_files{{"a.txt", "small"}, {"b.bin", pattern(200000, 9)}, {"c.txt", std::string(1000000, ' ')}},
            {"--server", "files.nimbrel.com", "/", "Main", "--server", "mirror.example", "/", "Mirror"});
        ASSERT_TRUE(release.ready()) << release.problem();
        alert_recorder alerts;
        ASSERT_TRUE(release.fetch_manifest());
        release_on_nginx::plan_everything();
        ASSERT_EQ(make_dirs(), 0);
        next.reset_all_streams();
        rlimit unlimited;
        ::getrlimit(RLIMIT_FSIZE, &unlimited);
        const engine_testing::program_signals as_a_program;
        // Only root mounts one.
        std::optional<testing_support::small_disk> disk;
        if (c.full_disk && !disk.emplace(temp_path, "64k").mounted()) continue;
        if (c.full_disk) testing_support::run_shell("head -c 1M /dev/zero >'" + temp_path + "filler'");
        c.spoil();

        EXPECT_EQ(release_on_nginx::pump_until_answer(), 1);
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_EQ(stg.extract_failed, 1);
        EXPECT_EQ(alerts.joined(2), std::vector<std::string>{c.alert});
        const auto failed = std::find_if(sim_info.begin(), sim_info.end(), [&](const file_history_struct& h) {
            return h.back().path == std::string("Nimbrel/") + c.failing;
        });
        ASSERT_NE(failed, sim_info.end());
        EXPECT_EQ(failed->back().is_current, 0);
        for (const char* archive : {"a.txt.zip", "b.bin.zip", "c.txt.zip"})
            EXPECT_LE(testing_support::count_of(release.access_log(), archive), 1) << release.access_log();
        EXPECT_EQ(stg.download_failed, 0);
        EXPECT_FALSE(http.failing(server_name[0]));
    }
}

// A server whose archive is far larger than the manifest says: the transfer
// is refused at its Content-Length, before a byte reaches the disk.  The
// server answered, with the wrong file: the only server asked once, the
// install ends as a failed extraction, and no network trouble is claimed.
// A call of the pump reads at most 64 KiB a stream, so a body let through
// would lie in its archive between calls, before the pump deletes it.
TEST(DownloadPump, AnArchiveLargerThanItsManifestSizeIsRefusedBeforeItReachesTheDisk)
{
    release_on_nginx release(release_files{{"a.txt", "a"}, {"b.txt", "b"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    write_file(release.web() / "Demo/Nimbrel/b.txt.zip", pattern(300000, 5));
    http_harness::captured_log log;
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    release_on_nginx::plan_everything();
    ASSERT_EQ(make_dirs(), 0);
    next.reset_all_streams();

    ASSERT_EQ(sim_info[1].back().path, "Nimbrel/b.txt");
    off_t most_on_disk = 0;
    const auto look_at_the_archives = [&] {
        for (int k = 0; k < kStreamCount; ++k) {
            struct stat st {};
            if (next.active[k] && next.file_index[k] == 1 && ::stat(stream_archive_path(k).c_str(), &st) == 0)
                most_on_disk = std::max(most_on_disk, st.st_size);
        }
    };

    EXPECT_EQ(release_on_nginx::pump_until_answer(look_at_the_archives), 1);
    EXPECT_EQ(most_on_disk, 0) << "bytes of the refused archive reached the disk";
    EXPECT_EQ(release.requests_for("b.txt.zip", 1), 1) << release.access_log();
    EXPECT_EQ(stg.extract_failed, 1);
    EXPECT_EQ(stg.download_failed, 0);
    EXPECT_FALSE(http.failing(server_name[0]));
    EXPECT_NE(log.text().find("HTTP response refused: Content-Length above the size expected\n"), std::string::npos)
        << log.text();
    EXPECT_FALSE(file_exists(release.dest() + "b.txt"));
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line1, "The installer cannot extract a file.");
    EXPECT_EQ(alerts.alerts()[0].line2, "Error: File too large");
    EXPECT_EQ(alerts.alerts()[0].line4, "Destination: " + release.dest() + "b.txt");
}

}  // namespace
