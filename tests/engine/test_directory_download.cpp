// Getting the manifest from a release served by nginx: the server list from
// the maker's host, the chosen server's zipped manifest, and what happens
// when either is missing or damaged.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/core_globals.h"
#include "core/maker_site.h"
#include "core/diag/frame_clock.h"
#include "core/diag/memory_reserve.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"
#include "alert_recorder.h"
#include "archive_builders.h"
#include "engine_test_support.h"
#include "fake_browser.h"
#include "release_on_nginx.h"

namespace {

using testing_support::count_of;
using testing_support::alert_recorder;
using engine_testing::release_files;
using engine_testing::release_on_nginx;
using testing_support::file_exists;
using testing_support::write_file;

TEST(DirectoryDownload, ReadsTheListThenTheManifestOfTheChosenServer)
{
    release_on_nginx release(release_files{{"readme.txt", "hello"}, {"Resources/a b.txt", "blank in name"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    EXPECT_EQ(stg.server_count, 1);
    EXPECT_EQ(server_name[0], "files.nimbrel.com");
    EXPECT_EQ(server_path[0], "/Demo/");
    EXPECT_EQ(install_name, "Demo");
    ASSERT_EQ(sim_info.size(), 2u);
    EXPECT_EQ(sim_info[0].back().path, "Nimbrel/Resources/a b.txt");
    EXPECT_FALSE(file_exists(temp_path + "directory.txt.zip")) << "the archive goes once unpacked";
    EXPECT_TRUE(file_exists(temp_path + "serverlist9.txt")) << "the list stays";
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST(DirectoryDownload, MissingManifestMovesToAnotherServer)
{
    // The first row's folder holds no manifest: only the second can serve.
    release_on_nginx release(release_files{{"f.txt", "x"}}, {"--server", "files.nimbrel.com", "/", "Main", "--server",
                                                 "broken.example", "/nowhere/", "Broken"});
    ASSERT_TRUE(release.ready()) << release.problem();
    alert_recorder alerts;
    // nginx serves every host from one root, so the broken row differs by
    // its path; start the run on it.
    while (stg.server_count == -1) UTL_download_directory();
    ASSERT_EQ(stg.server_count, 2);
    stg.server_choice = 1;
    ASSERT_TRUE(release.fetch_manifest());
    EXPECT_EQ(stg.server_choice, 0);
    ASSERT_EQ(alerts.alerts().size(), 1u) << "one not-found warning for the broken server";
    EXPECT_EQ(alerts.alerts()[0].line1, "File not found!");
}

// The same damaged archive from both servers: one warning each, never a
// second from the same server, then the manifest is unreadable.
TEST(DirectoryDownload, DamagedManifestArchiveIsWarnedAboutOncePerServerThenUnreadable)
{
    // nginx answers every host from one root: both rows reach one archive.
    release_on_nginx release(release_files{{"f.txt", "x"}},
                             {"--server", "files.nimbrel.com", "/", "Main", "--server", "mirror.example", "/", "Mirror"});
    ASSERT_TRUE(release.ready()) << release.problem();
    write_file(release.web() / "Demo/directory.txt.zip", "PK this is no zip archive");
    alert_recorder alerts;
    EXPECT_FALSE(release.fetch_manifest());
    EXPECT_EQ(stg.dir_status, 2);
    ASSERT_EQ(alerts.alerts().size(), 2u) << "one warning per server";
    for (const auto& alert : alerts.alerts()) {
        EXPECT_EQ(alert.level, 1);
        EXPECT_EQ(alert.line1, "The installer cannot extract a file.");
    }
    EXPECT_FALSE(file_exists(temp_path + "directory.txt.zip"));
    EXPECT_EQ(release.requests_for("directory.txt.zip", 2), 2) << release.access_log();
    for (int i = 0; i < 1000; ++i) UTL_download_directory();
    EXPECT_EQ(alerts.alerts().size(), 2u) << "an unreadable manifest is the answer from then on";
}

TEST(DirectoryDownload, ArchiveWithoutAManifestIsDamagedNotFatal)
{
    release_on_nginx release(release_files{{"f.txt", "x"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    // A valid zip that holds some other file.
    testing_support::run_shell("cd '" + release.web().path() + "Demo' && rm directory.txt.zip && echo x > other.txt && zip -q directory.txt.zip other.txt");
    alert_recorder alerts;
    for (int i = 0; i < 100000 && alerts.alerts().empty(); ++i) UTL_download_directory();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].level, 1);
    EXPECT_EQ(alerts.alerts()[0].line2, "Error: We were unable to open a zip file. It may be missing or damaged.");
    EXPECT_EQ(stg.dir_status, 2) << "the only server gave a damaged archive";
}

// Asked again after rests of 0.5, 1, 2 and 4 seconds: five times in ten
// seconds of frames, not every frame.  The frame clock stands while a
// transfer is in flight, which is given up only once it moved no byte for
// half a minute.
TEST(DirectoryDownload, UnfetchableServerListIsAskedForAgainAfterARest)
{
    release_on_nginx release(release_files{{"f.txt", "x"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    ::unlink((release.web() / "serverlist9.txt").c_str());
    alert_recorder alerts;
    testing_support::idle_limit limit(30);
    while (xtim.real_time < 10 && limit.moving({xtim.real_time, static_cast<double>(http.traffic())})) {
        UTL_download_directory();
        if (http.transfer(0))
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        else
            xtim.real_time += 0.05f;
    }
    EXPECT_EQ(stg.server_count, -1);
    EXPECT_EQ(release.requests_for("serverlist9.txt", 5), 5) << release.access_log();
    EXPECT_EQ(alerts.alerts().size(), 1u) << "the not-found warning comes once";
}

// A manifest that cannot serve, on both servers: empty or cut off (a
// transfer gone wrong), past the bound of any manifest, in an archive that
// cannot be read, or with nothing to install here.  Each server is asked
// once (an archive that fails to unpack warned about once each), then the
// manifest is unreadable; nothing ends the program.
TEST(DirectoryDownload, AManifestThatCannotServeIsDamagedOnEveryServer)
{
    struct bad_manifest {
        const char* what;
        const char* make;  // shell lines in the release folder that leave directory.txt
        size_t warnings;
        // When not 0, the archive's entry claims this size (from 4 GiB in the
        // zip64 field -fz writes; below, the run's temporary folder is a disk
        // of 1 MiB).
        uint64_t claimed_size = 0;
        const char* zip_options = "-1";
    };
    testing_support::fake_browser browser;
    for (const bad_manifest& b :
         {bad_manifest{"empty", ": > directory.txt", 0},
          bad_manifest{"cut off in its header", "printf 'I\\n90' > directory.txt", 0},
          // A good manifest but for one line that takes it past the bound.
          bad_manifest{"past the bound", "printf 'I\\n900 version\\nINSTALLER\\nFILE 1 0 1 1 1 %s top/f.txt\\n' $m "
                       "> directory.txt && head -c 257M /dev/zero | tr '\\0' x >> directory.txt", 2},
          // A good manifest behind an entry whose name the zip reader cannot
          // take whole: the archive's fault, whatever errno says so.
          bad_manifest{"behind a name too long to read", "n=$(printf '%0200d/%099d' 0 0) && mkdir -p ${n%/*} && "
                       ": > $n && zip -q -D directory.txt.zip $n && rm -r ${n%%/*} && printf 'I\\n900 version\\n"
                       "INSTALLER\\nFILE 1 0 1 1 1 %s top/f.txt\\n' $m > directory.txt", 2},
          bad_manifest{"nothing for this system", "printf 'I\\n900 version\\nINSTALLER\\n"
                       "FILE 1 2 1 1 1 %s top/other_system.txt\\nFILE 1 0 1 1 1 GONE top/removed.txt\\n' $m "
                       "> directory.txt", 0},
          // Unpacked without a warning, then found wanting: zip64 fields are no damage.
          bad_manifest{"nothing for this system, in an archive with zip64 fields", "printf 'I\\n900 version\\n"
                       "INSTALLER\\nFILE 1 2 1 1 1 %s top/other_system.txt\\n' $m > directory.txt", 0, 0, "-fz"},
          // A good manifest whose entry claims more than this disk holds,
          // and more than its bytes could unpack to: the archive lies, and
          // no full disk here is to blame.
          bad_manifest{"claiming more than the disk and its bytes hold",
                       "printf 'I\\n900 version\\nINSTALLER\\nFILE 1 0 1 1 1 %s top/f.txt\\n' $m > directory.txt", 2,
                       100u << 20},
          bad_manifest{"claiming 2^40 in its zip64 field",
                       "printf 'I\\n900 version\\nINSTALLER\\nFILE 1 0 1 1 1 %s top/f.txt\\n' $m > directory.txt", 2,
                       1ull << 40, "-fz"}}) {
        SCOPED_TRACE(b.what);
        release_on_nginx release(release_files{{"f.txt", "x"}}, {"--server", "files.nimbrel.com", "/", "Main",
                                                                 "--server", "mirror.example", "/", "Mirror"});
        ASSERT_TRUE(release.ready()) << release.problem();
        ASSERT_EQ(testing_support::run_shell("cd '" + release.web() / "Demo" +
                                             "' && rm directory.txt.zip && m=0123456789abcdef0123456789abcdef && " + b.make +
                                             " && zip -q " + b.zip_options +
                                             " directory.txt.zip directory.txt && rm directory.txt")
                      .status,
                  0);
        std::optional<testing_support::small_disk> disk;
        if (b.claimed_size) {
            const std::string zipped = release.web() / "Demo/directory.txt.zip";
            archive_fixtures::zip_entry liar{"directory.txt", testing_support::run_shell("unzip -p '" + zipped + "'").out};
            liar.claimed_size = static_cast<uint32_t>(b.claimed_size);
            std::string zip =
                b.claimed_size > UINT32_MAX ? testing_support::read_file(zipped) : archive_fixtures::make_zip({liar});
            const size_t field = zip.rfind(std::string("\1\0\10\0", 4));  // the central header's zip64 field
            for (int i = 0; i < 8 && b.claimed_size > UINT32_MAX; ++i)
                zip.at(field + 4 + i) = static_cast<char>(b.claimed_size >> 8 * i);
            write_file(zipped, zip);
            // Only root mounts one; a claim past 32 bits is refused before
            // anything weighs it against a disk.
            if (b.claimed_size <= UINT32_MAX && !disk.emplace(temp_path, "1m").mounted()) continue;
        }
        alert_recorder alerts;
        app_done = 0;
        EXPECT_FALSE(release.fetch_manifest());
        EXPECT_EQ(stg.dir_status, 2);
        EXPECT_EQ(app_done, 0);
        EXPECT_EQ(alerts.alerts().size(), b.warnings);
        EXPECT_EQ(release.requests_for("directory.txt.zip", 2), 2) << release.access_log();
    }
}

// The first server's manifest costs far more to read than its 16 KiB
// archive (a DIR line of 16 MiB named by 64 files): it is damaged, as that
// server's fault, and the second server's honest manifest is read and
// installed from.
TEST(DirectoryDownload, AManifestTooCostlyToReadIsDamagedAndTheNextServerServes)
{
    release_on_nginx release(release_files{{"f.txt", "x"}, {"g/h.txt", "yz"}},
                             {"--server", "files.nimbrel.com", "/costly/", "Costly", "--server", "mirror.example", "/",
                              "Mirror"});
    ASSERT_TRUE(release.ready()) << release.problem();
    std::string body = "DIR Nimbrel/" + std::string(16u << 20, 'd') + "/\n";
    for (int i = 0; i < 64; ++i) body += "FILE 1 0 1 1 1 0123456789abcdef0123456789abcdef f" + std::to_string(i) + "\n";
    write_file(release.web() / "directory.txt", engine_testing::manifest_text(body));
    ASSERT_EQ(testing_support::run_shell("cd '" + release.web().path() + "' && cp -r costly/Demo Demo && rm " +
                                         "costly/Demo/directory.txt.zip && zip -q -9 costly/Demo/directory.txt.zip " +
                                         "directory.txt && rm directory.txt")
                  .status,
              0);
    alert_recorder alerts;
    while (stg.server_count == -1) UTL_download_directory();
    stg.server_choice = 0;
    ASSERT_TRUE(release.fetch_manifest());
    EXPECT_EQ(stg.server_choice, 1);
    EXPECT_EQ(release.requests_for("/costly/Demo/directory.txt.zip", 1), 1) << release.access_log();
    release_on_nginx::plan_everything();
    EXPECT_EQ(release_on_nginx::run_pump(), 1);
    EXPECT_EQ(testing_support::read_file(release.dest() + "g/h.txt"), "yz");
    EXPECT_TRUE(alerts.alerts().empty());
}

// A manifest too large for what this process may still map or allocate is
// its server's trouble until every server has been asked once: the next
// server's honest manifest is read, with nothing of the first held and no
// alert; only when no server's manifest could be read, and one could not
// be held, does the check end with the warning that memory ran out.  In a
// child process whose address space is bounded; a sanitizer's shadow takes
// terabytes of it, so no bound can be set under one.
TEST(DirectoryDownload, AManifestThisMachineCannotHoldIsItsServersTroubleUntilEveryServerWasAsked)
{
    if (testing_support::under_sanitizer()) GTEST_SKIP() << "no address-space bound can be set under a sanitizer";
    // Line by line: a text built whole would leave its room free in the
    // heap that the child starts with.
    const auto million_files = [](std::ostream& out) {
        for (int i = 0; i < 1000000; ++i)
            out << "FILE 1 0 12 34 56 0123456789abcdef0123456789abcdef Nimbrel/Resources/file_" << i << "\n";
    };
    const auto larger_than_the_room = [](std::ostream& out) {
        out << "DIR Nimbrel/" << std::string(64u << 20, 'd') << "/\n";
        for (int i = 0; i < 64; ++i) out << "FILE 1 0 1 1 1 0123456789abcdef0123456789abcdef f" << i << "\n";
    };
    // Read whole, then dropped: not one file is for this system.
    const auto all_for_another_system = [](std::ostream& out) {
        const std::string folder = "Nimbrel/" + std::string(980, 'o') + "/";
        for (int i = 0; i < 100000; ++i)
            out << "FILE 1 2 12 34 56 0123456789abcdef0123456789abcdef " << folder << "file_" << i << "\n";
    };
    const auto files = [](int count) {
        return [=](std::ostream& out) {
            for (int i = 0; i < count; ++i)
                out << "FILE 1 0 12 34 56 0123456789abcdef0123456789abcdef Nimbrel/Resources/file_" << i << "\n";
        };
    };
    struct shape {
        const char* what;
        std::function<void(std::ostream&)> first;  // the first server's manifest body
        bool second_the_same;                      // else the honest release's, or:
        long headroom_kb;
        int dir_status;
        std::vector<std::string> alerts;
        int first_left_as = 2;  // 2 not held here, 1 read and found of no use
        std::function<void(std::ostream&)> second = nullptr;  // an honest manifest of `second_files`
        std::size_t second_files = 1;
    };
    const std::vector<std::string> out_of_memory = {"The installer ran out of memory.|Error: Out of memory."};
    for (const shape& c : std::vector<shape>{
             // Room to map the manifest's 87 MB, not to keep its million files.
             {"a million files on both servers", million_files, true, 128 * 1024, 2, out_of_memory},
             {"a million files on the first, an honest second", million_files, false, 128 * 1024, 3, {}},
             {"a manifest past the room to map it on the first, an honest second", larger_than_the_room, false,
              48 * 1024, 3, {}},
             // The first one's texts and heap go with it, or the second
             // finds no room.
             {"100,000 paths of 1,000 bytes for another system on the first, a million files on the second",
              all_for_another_system, false, 288 * 1024, 3, {}, 1, files(1000000), 1000000}}) {
        SCOPED_TRACE(c.what);
        release_on_nginx release(release_files{{"f.txt", "x"}}, {"--server", "files.nimbrel.com", "/large/", "Large",
                                                                 "--server", "mirror.example", "/", "Mirror"});
        ASSERT_TRUE(release.ready()) << release.problem();
        const auto zipped = [&](const std::function<void(std::ostream&)>& body, const std::string& archive) {
            {
                std::ofstream out(release.web() / "directory.txt", std::ios::binary);
                out << engine_testing::manifest_text("");
                body(out);
            }
            return testing_support::run_shell("cd '" + release.web().path() + "' && rm -f " + archive +
                                              " && zip -q " + archive + " directory.txt && rm directory.txt")
                .status;
        };
        ASSERT_EQ(testing_support::run_shell("cd '" + release.web().path() + "' && cp -r large/Demo Demo").status, 0);
        ASSERT_EQ(zipped(c.first, "large/Demo/directory.txt.zip"), 0);
        if (c.second_the_same) {
            ASSERT_EQ(testing_support::run_shell("cp '" + release.web().path() + "large/Demo/directory.txt.zip' '" +
                                                 release.web().path() + "Demo/'")
                          .status,
                      0);
        }
        if (c.second) {
            ASSERT_EQ(zipped(c.second, "Demo/directory.txt.zip"), 0);
        }
        const testing_support::bounded_result r = testing_support::run_bounded(
            [&] {
                // As the programs take it: the check never takes it.
                if (!memory_reserve_take(kMemoryReserveBytes)) return -2;
                alert_recorder alerts;
                while (stg.server_count == -1) UTL_download_directory();
                stg.server_choice = 0;
                release.fetch_manifest();
                const bool honest =
                    stg.dir_status != 3 || (sim_info.size() == c.second_files && stg.server_choice == 1);
                return stg.dir_status * 1000 + stg.damaged_manifest[0] * 100 +
                       (alerts.joined(2) == c.alerts && memory_reserve_held()) * 10 + honest;
            },
            c.headroom_kb + kMemoryReserveBytes / 1024);
        EXPECT_EQ(r.result, c.dir_status * 1000 + c.first_left_as * 100 + 11)
            << "the check ended otherwise, or the first server's manifest, or its alerts or reserve, or the manifest "
               "read";
        EXPECT_EQ(release.requests_for("/large/Demo/directory.txt.zip", 1), 1) << release.access_log();
        EXPECT_EQ(release.requests_for("mirror.example/Demo/directory.txt.zip", 1), 1) << release.access_log();
    }
}

// A list or an archive far beyond any real one is refused at its length,
// before it fills the temporary folder.  The server answered: the list is
// unusable and the manifest damaged, not a server that cannot be reached,
// and neither is asked for again and again.
TEST(DirectoryDownload, OversizedListAndManifestAreRefusedAtTheirLength)
{
    release_on_nginx release(release_files{{"f.txt", "x"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    const std::string good_list = testing_support::read_file(release.web() / "serverlist9.txt");
    write_file(release.web() / "serverlist9.txt", good_list + std::string(kServerListMaxBytes, '#'));
    ASSERT_EQ(::truncate((release.web() / "Demo/directory.txt.zip").c_str(), kManifestArchiveMaxBytes + 1), 0);
    alert_recorder alerts;

    // Steps as frames would take them, the frame clock held still, until
    // `done` or nothing moved for half a minute.
    const auto steps_until = [](const std::function<bool()>& done) {
        testing_support::idle_limit limit(30);
        while (!done() && limit.moving({static_cast<double>(http.traffic()), double(stg.server_count),
                                        double(stg.dir_status)})) {
            UTL_download_directory();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    };
    steps_until([] { return stg.dir_status == 2; });
    EXPECT_EQ(stg.dir_status, 2);
    EXPECT_EQ(stg.server_count, 0);
    EXPECT_FALSE(http.failing(kMakerWebHost));
    EXPECT_FALSE(file_exists(temp_path + "serverlist9.txt")) << "written before it was refused";

    write_file(release.web() / "serverlist9.txt", good_list);
    stg_set_start_values();
    http.forget_failures();  // its rest ended
    steps_until([] { return stg.dir_status == 2; });
    ASSERT_EQ(stg.server_count, 1);
    EXPECT_EQ(stg.dir_status, 2) << "the one server's manifest is damaged";
    EXPECT_FALSE(http.failing(server_name[0]));
    EXPECT_FALSE(file_exists(temp_path + "directory.txt.zip")) << "written before it was refused";
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line2, "Error: File too large.");
    EXPECT_EQ(release.requests_for("directory.txt.zip", 1), 1) << release.access_log();
}

// A list or an archive that cannot be saved in the run's temporary folder:
// no server can mend that, so the fetch ends as unreadable within a few
// frames of a driven clock, with one warning naming the file and the
// reason, and asks no server again nor counts one as failing.
TEST(DirectoryDownload, AFileThatCannotBeSavedHereEndsTheFetchWithAWarning)
{
    struct local_case {
        const char* file;
        void (*spoil)(const release_on_nginx&);
        const char* alert;  // its first three lines up to the file's path, and after it
        const char* after;
        bool full_disk = false;  // the run's temporary folder on a disk of two pages, one filled
    };
    for (const local_case& c :
         {local_case{"serverlist9.txt", [](const release_on_nginx&) { testing_support::remove_tree(temp_path); },
                     "The installer cannot save a downloaded file.|Error: No such file or directory|", ""},
          // The server list takes the last page of a disk filled before;
          // the archive finds none.
          local_case{"directory.txt.zip", [](const release_on_nginx&) {},
                     "The installer cannot save a downloaded file.|"
                     "Error: No space left on device. Perhaps your hard drive is full|Compressed File: ", "", true},
          // The archive fits under the size limit of this process's files;
          // the manifest it unpacks to does not.
          local_case{"directory.txt.zip",
                     [](const release_on_nginx& release) {
                         testing_support::run_shell("cd '" + release.web() / "Demo" +
                                                    "' && unzip -q directory.txt.zip && head -c 1000000 /dev/zero | "
                                                    "tr '\\0' ' ' >> directory.txt && zip -q directory.txt.zip "
                                                    "directory.txt && rm directory.txt");
                         const rlimit small = {256 * 1024, RLIM_INFINITY};
                         ::setrlimit(RLIMIT_FSIZE, &small);
                     },
                     "The installer cannot extract a file.|Error: File too large.|Compressed File  ", "."}}) {
        SCOPED_TRACE(c.alert);
        // Two servers: the second would fare no better.
        release_on_nginx release(release_files{{"f.txt", "x"}}, {"--server", "files.nimbrel.com", "/", "Main",
                                                                 "--server", "mirror.example", "/", "Mirror"});
        ASSERT_TRUE(release.ready()) << release.problem();
        alert_recorder alerts;
        rlimit unlimited;
        ::getrlimit(RLIMIT_FSIZE, &unlimited);
        const engine_testing::program_signals as_a_program;
        // Only root mounts one.
        std::optional<testing_support::small_disk> disk;
        if (c.full_disk && !disk.emplace(temp_path, "8k").mounted()) continue;
        if (c.full_disk) testing_support::run_shell("head -c 4096 /dev/zero >'" + temp_path + "filler'");
        c.spoil(release);
        const int slots[] = {0, 1};
        for (int frame = 0; frame < 200 && stg.dir_status != 2; ++frame) {
            UTL_download_directory();
            if (http.transfer(0) || http.transfer(1))
                http.wait_for(slots, 2, 1.0);  // the clock stands while a transfer moves
            else
                xtim.real_time += 0.05f;
        }
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_EQ(stg.dir_status, 2);
        EXPECT_EQ(alerts.joined(3), std::vector<std::string>{c.alert + temp_path + c.file + c.after});
        EXPECT_EQ(release.requests_for(c.file, 1), 1) << release.access_log();
        EXPECT_FALSE(http.failing(stg.server_count ? server_name[stg.server_choice] : std::string(kMakerWebHost)));
    }
}

}  // namespace
