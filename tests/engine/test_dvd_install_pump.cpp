// The DVD install pump driven frame by frame over a set of fake disks, as
// the DVD roads' install screens drive it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "core/archives/unpack_memory.h"
#include "core/core_globals.h"
#include "core/diag/error_codes.h"
#include "core/threads/worker_threads.h"
#include "engine/dvd_install_pump.h"
#include "engine/dvd_mounts.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/manifest.h"
#include "dvd_fixtures.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "pump_fixture.h"

namespace {

using engine_testing::dvd_file;
using engine_testing::dvd_set;
using testing_support::read_file;
using testing_support::scratch_dir;

ino_t inode_of(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// What the screens did: each disk the pump asked for, in order.
struct install_run {
    std::vector<int> disks_asked;
    int errors = 0;
};

class DvdInstallPump : public engine_testing::pump_test {
protected:
    // Loads the set's manifest and plans to install every file.
    void plan(const dvd_set& disks)
    {
        disks.load_manifest();
        install_name = disks.release();
        for (file_history_struct& h : sim_info) h.back().do_install = 1;
    }
    // Frames of install_files from `disk` until it answers other than 0.
    int run_disk(const dvd_set& disks, int& cursor, int disk)
    {
        dvd_path = disks.disk_folder(disk);
        int status;
        while ((status = install_files(cursor, disk)) == kInstallWorking) {
        }
        return status;
    }
    // The whole install, changing disks whenever asked.
    install_run run_all(const dvd_set& disks)
    {
        install_run run;
        int cursor = 0, disk = 0;
        for (;;) {
            const int status = run_disk(disks, cursor, disk);
            if (status == kInstallDone) return run;
            if (status == kInstallError) {
                ++run.errors;
                std::string message;
                install_files_get_error(message);
                continue;
            }
            EXPECT_EQ(status, kInstallNextDisk);
            disk = sim_info[cursor].back().disk;
            run.disks_asked.push_back(disk);
            if (run.disks_asked.size() > 10) return run;
        }
    }
};

TEST_F(DvdInstallPump, FilesAllOnTheFirstDiskInstallAndTheGroupsGo)
{
    std::vector<dvd_file> files;
    for (int i = 0; i < 75; ++i) files.push_back({"top/f" + std::to_string(i), std::to_string(i), 0});
    files.push_back({"top/Global Scenery/+40-080/+45-075.dsf", "tile", 0});
    dvd_set disks(files);
    plan(disks);
    testing_support::write_file(dest_ / "Global Scenery/+40-080/.keep", "");

    const install_run run = run_all(disks);
    EXPECT_TRUE(run.disks_asked.empty());
    EXPECT_EQ(run.errors, 0);
    EXPECT_EQ(copy_pool, nullptr);
    EXPECT_EQ(unzip_pool, nullptr);
    for (const dvd_file& f : files) EXPECT_EQ(read_file(dest_ / f.path.substr(4)), f.contents);
    for (const file_history_struct& h : sim_info) EXPECT_EQ(h.back().is_current, 1) << h.back().path;
    EXPECT_EQ(files_in_temp(), 0u) << "no copy is left behind";
}

TEST_F(DvdInstallPump, TheNextDiskIsAskedForOnlyWhenTheFirstIsDone)
{
    dvd_set disks({{"top/a", "a", 0}, {"top/b", "b", 0}, {"top/c", "c", 1}, {"top/d", "d", 1}});
    plan(disks);
    int cursor = 0;
    EXPECT_EQ(run_disk(disks, cursor, 0), kInstallNextDisk);
    EXPECT_EQ(cursor, 2) << "the first file of disk 2";
    EXPECT_EQ(read_file(dest_ / "a"), "a");
    EXPECT_EQ(read_file(dest_ / "b"), "b") << "every disk-1 file is in before the change";
    EXPECT_NE(copy_pool, nullptr) << "the groups live on across the change";

    EXPECT_EQ(run_disk(disks, cursor, 1), kInstallDone);
    EXPECT_EQ(read_file(dest_ / "d"), "d");
}

TEST_F(DvdInstallPump, InterleavedDisksAreAskedForInManifestOrder)
{
    dvd_set disks({{"top/a", "a", 0}, {"top/b", "b", 1}, {"top/c", "c", 0}, {"top/d", "d", 2}});
    plan(disks);
    const install_run run = run_all(disks);
    EXPECT_EQ(run.disks_asked, (std::vector<int>{1, 0, 2}))
        << "no look-ahead for more files of the disk in the drive";
    for (const char* name : {"a", "b", "c", "d"}) EXPECT_EQ(read_file(dest_ / name), name);
}

TEST_F(DvdInstallPump, FilesNotToInstallAreSkippedWhereverTheyLie)
{
    dvd_set disks({{"top/a", "a", 0}, {"top/b", "b", 1}, {"top/c", "c", 0}, {"top/d", "d", 1}});
    plan(disks);
    sim_info[1].back().do_install = 0;  // on disk 2, between two files of disk 1
    sim_info[3].back().do_install = 0;
    const install_run run = run_all(disks);
    EXPECT_TRUE(run.disks_asked.empty()) << "disk 2 holds nothing to install";
    EXPECT_EQ(read_file(dest_ / "c"), "c");
    EXPECT_FALSE(testing_support::file_exists(dest_ / "b"));
}

TEST_F(DvdInstallPump, AnErrorGivesItsStatusAndTheRunGoesOnAfterIt)
{
    dvd_set disks({{"top/a", "a", 0}, {"top/b", "b", 0}, {"top/c", "c", 0}});
    testing_support::write_file(disks.archive_of({"top/b", "b", 0}), "not a zip");
    plan(disks);
    int cursor = 0;
    EXPECT_EQ(run_disk(disks, cursor, 0), kInstallError);

    std::string message;
    EXPECT_EQ(install_files_get_error(message), kErrZipOpen) << message;
    EXPECT_NE(message.find("I was unable to unzip the file "), std::string::npos) << message;
    EXPECT_NE(message.find("top/b.zip)"), std::string::npos) << message;
    std::string again = "stale";
    EXPECT_EQ(install_files_get_error(again), 0) << "taking the error clears it";
    EXPECT_EQ(again, "");

    const std::string failed_copy = temp_path + sim_info[1].back().sig_want + "_1.zip";
    EXPECT_TRUE(testing_support::file_exists(failed_copy))
        << "the copy named in the message stays while the run goes on";

    EXPECT_EQ(run_disk(disks, cursor, 0), kInstallDone);
    EXPECT_EQ(read_file(dest_ / "c"), "c");
    EXPECT_EQ(sim_info[1].back().is_current, 0);
    EXPECT_EQ(files_in_temp(), 0u) << "and goes with it";
}

// The seam throws as an allocation that fails would, at one step of one file.
installer_task_step failing_step;
int failing_history = -1;

void fail_one_step(installer_task_step step, int history)
{
    if (step == failing_step && history == failing_history) throw std::bad_alloc();
}

// Nothing catches on the groups' threads: the file whose copy or unpack
// ran out of memory ends with ENOMEM and a message naming it, and the run
// goes on with the next files and leaves no copy behind.
TEST_F(DvdInstallPump, AnAllocationThatFailsInATaskEndsItsFileAndTheRunGoesOn)
{
    installer_tasks_set_hook(fail_one_step);
    for (const installer_task_step step : {installer_task_step::copy, installer_task_step::unpack}) {
        const std::string row = step == installer_task_step::copy ? "copy" : "unpack";
        SCOPED_TRACE(row);
        dvd_set disks({{"top/a" + row, "a", 0}, {"top/b" + row, "b", 0}, {"top/c" + row, "c", 0}});
        plan(disks);
        failing_step = step;
        failing_history = 1;
        int cursor = 0;
        EXPECT_EQ(run_disk(disks, cursor, 0), kInstallError);
        std::string message;
        EXPECT_EQ(install_files_get_error(message), ENOMEM);
        EXPECT_EQ(message, "I was unable to install the file " + dest_ / "b" + row + ": Out of memory.");
        EXPECT_EQ(run_disk(disks, cursor, 0), kInstallDone);
        EXPECT_EQ(read_file(dest_ / "a" + row), "a");
        EXPECT_EQ(read_file(dest_ / "c" + row), "c");
        EXPECT_FALSE(testing_support::file_exists(dest_ / "b" + row));
        EXPECT_EQ(sim_info[1].back().is_current, 0);
        EXPECT_EQ(files_in_temp(), 0u);
    }
}

// An archive another user could change is as good as missing: what it
// holds is theirs to choose.
// A file is read from what was opened and judged: one put at its name
// afterwards, as another user renaming files in a folder of theirs would,
// is never read.
std::string swapped_in;  // what the hook puts at the name, or "" for nothing

TEST_F(DvdInstallPump, AFileMissingFromItsDiskOrOneOthersMayChangeIsACopyError)
{
    struct row {
        const char* what;
        int err;
        bool swap;
    };
    for (const row& r : {row{"missing", ENOENT, false}, row{"others may write", kErrOthersMayChange, false},
                         row{"missing, another file put at its name once opened", ENOENT, true},
                         row{"another file put at its name once opened", 0, true}}) {
        SCOPED_TRACE(r.what);
        dvd_set disks({{"top/a", "a", 0}}), theirs({{"top/a", "theirs", 0}});
        plan(disks);
        const std::string archive = disks.archive_of({"top/a", "a", 0});
        if (r.err == ENOENT) ::unlink(archive.c_str());
        if (r.err == kErrOthersMayChange) ::chmod(archive.c_str(), 0666);
        swapped_in = r.swap ? theirs.archive_of({"top/a", "theirs", 0}) : "";
        UTIL_set_dvd_file_opened_hook([](const std::string& path) {
            if (!swapped_in.empty()) ::rename(swapped_in.c_str(), path.c_str());
        });
        int cursor = 0;
        const int result = run_disk(disks, cursor, 0);
        UTIL_set_dvd_file_opened_hook(nullptr);
        if (r.err == 0) {
            EXPECT_EQ(result, kInstallDone);
            EXPECT_EQ(testing_support::read_file(dest_ / "a"), "a");
            continue;
        }
        EXPECT_EQ(result, kInstallError);
        std::string message;
        EXPECT_EQ(install_files_get_error(message), r.err);
        EXPECT_EQ(message, "I was unable to copy the file " + archive + " from the DVD to the hard drive.");
        EXPECT_EQ(run_disk(disks, cursor, 0), kInstallDone);
        EXPECT_FALSE(testing_support::file_exists(dest_ / "a"));
    }
}

// The disk taken out while the question about a damaged file holds the
// pump: the reads queued from it end in one request for the same disk, not
// a question each, and once it is back the files not yet in are read, the
// ones in are left alone.
TEST_F(DvdInstallPump, ADiskTakenOutIsAskedForOnceAndOnlyTheFilesNotInYetAreReadAgain)
{
    // One unpacker answers in manifest order: the files before the damaged
    // one are in, and the question comes before a third group of reads is
    // queued, so some are left to fail once the disk is out.
    one_processor();
    std::vector<dvd_file> files;
    for (int i = 0; i < 80; ++i) files.push_back({"top/f" + std::to_string(i), std::string(2000, 'a' + i % 26), 0});
    dvd_set disks(files);
    testing_support::write_file(disks.archive_of(files[5]), "damaged");
    plan(disks);
    int cursor = 0;
    ASSERT_EQ(run_disk(disks, cursor, 0), kInstallError);
    std::string message;
    install_files_get_error(message);
    ASSERT_LT(cursor, 80);

    const std::string drive = disks.disk_folder(0).substr(0, disks.disk_folder(0).size() - 1);
    ASSERT_EQ(::rename(drive.c_str(), (drive + "-out").c_str()), 0);
    EXPECT_EQ(run_disk(disks, cursor, 0), kInstallNextDisk);
    ASSERT_LT(cursor, 80);
    EXPECT_EQ(sim_info[cursor].back().disk, 0) << "the disk taken out is asked for";
    std::vector<ino_t> in_before(files.size());
    for (size_t i = 0; i < files.size(); ++i) in_before[i] = inode_of(dest_ / files[i].path.substr(4));

    ASSERT_EQ(::rename((drive + "-out").c_str(), drive.c_str()), 0);
    EXPECT_EQ(run_disk(disks, cursor, 0), kInstallDone) << "asked about another file, or for the disk again";
    for (size_t i = 0; i < files.size(); ++i) {
        if (i == 5) continue;
        EXPECT_TRUE(read_file(dest_ / files[i].path.substr(4)) == files[i].contents) << "not in: " << i;
        if (in_before[i] != 0) {
            EXPECT_EQ(inode_of(dest_ / files[i].path.substr(4)), in_before[i]) << "read again: " << i;
        }
    }
}

TEST_F(DvdInstallPump, AKillDrainsTheWorkInFlightAndLeavesNoCopies)
{
    std::vector<dvd_file> files;
    for (int i = 0; i < 80; ++i) files.push_back({"top/f" + std::to_string(i), std::string(20000, 'x'), 0});
    dvd_set disks(files);
    testing_support::write_file(disks.archive_of(files[3]), "damaged: its copy would stay");
    plan(disks);
    dvd_path = disks.disk_folder(0);
    int cursor = 0;
    // An error collected before the kill leaves its copy to the kill too.
    while (install_files(cursor, 0) == kInstallWorking && cursor < 40) {
    }
    EXPECT_NE(copy_pool, nullptr);

    install_files_kill();
    EXPECT_EQ(copy_pool, nullptr);
    EXPECT_EQ(unzip_pool, nullptr);
    EXPECT_EQ(files_in_temp(), 0u);
    for (int i = 0; i < cursor; ++i) {
        if (i == 3) continue;
        EXPECT_EQ(sim_info[i].back().is_current, 1) << "queued copies are finished: " << i;
    }

    install_files_kill();  // nothing running: nothing happens
}

// -- The unpackers' memory ---

// The first share of a run is held until `others` more unpackings have
// asked for their own, so that they would overlap but for the budget.  In a
// row that fails a wait, every share that must wait throws as the log
// line's allocation would; the first is then held until the next tile has
// asked too, which its unpacker does only once the failed share is gone.
// In a row that fails the first share, it throws once held.
struct held_share {
    std::mutex lock;
    std::condition_variable asked;
    int others = 0;
    int others_asked = 0;
    bool fail_waits = false;
    bool fail_first = false;
    int taken = 0;
} first_share;

void hold_the_first_share(unpack_memory_moment moment, uint64_t)
{
    std::unique_lock<std::mutex> lock(first_share.lock);
    if (moment == unpack_memory_moment::taken && first_share.taken++ == 0) {
        first_share.asked.wait(lock, [] { return first_share.others_asked >= first_share.others; });
        if (first_share.fail_first) throw std::bad_alloc();
        return;
    }
    ++first_share.others_asked;
    first_share.asked.notify_all();
    if (moment == unpack_memory_moment::waiting && first_share.fail_waits) throw std::bad_alloc();
}

// The unpackers share one memory budget, set small here.  Two tiles whose
// shares together pass it, in memory or in address space, unpack one after
// the other: the second waits while the first holds its share, and a share
// comes back however its unpacking ends.  A tile whose share alone passes
// it still unpacks, once it is the only one.  A share that fails while it
// waits gives up its place, and the next in line goes on, as does one that
// fails once it holds its share.  A tile's share
// is its dictionary, which 7zz sizes by the tile: 128 KiB for 100,000
// bytes, 256 KiB for 200,000.
TEST_F(DvdInstallPump, TheUnpackersShareOneMemoryBudget)
{
    processors(2);  // two unpackers, which would take both shares at once
    unpack_memory_set_hook(hold_the_first_share);
    testing_support::write_file(dest_ / "Global Scenery/+40-080/.keep", "");
    int row = 0;
    struct budget_case {
        const char* what;
        std::vector<size_t> tiles;  // their sizes
        bool first_damaged;
        bool in_address_space;  // the budget is the address space's, not memory's
        uint64_t budget;
        unsigned waited;
        bool fail_waits = false;
        bool fail_first = false;
    };
    for (const budget_case& c : {budget_case{"two tiles whose shares together pass it", {100000, 200000}, false, false, 300000, 1},
                                 {"the first of them damaged", {100000, 200000}, true, false, 300000, 1},
                                 {"a tile whose share alone passes it", {100000}, false, false, 99999, 0},
                                 {"two tiles whose dictionaries pass the address space left", {200000, 200000}, false,
                                  true, 300000, 1},
                                 // Room for one large tile and the small one.
                                 {"a share that fails while it waits", {200000, 200000, 100000}, false, false, 450000, 1,
                                  true},
                                 // Room for both: the second takes its share while the first holds.
                                 {"a share that fails once it is taken", {100000, 200000}, false, false, 1000000, 0,
                                  false, true}}) {
        SCOPED_TRACE(c.what);
        ++row;
        std::vector<dvd_file> files;
        for (uint32_t i = 0, x = row; i < c.tiles.size(); ++i) {
            std::string noise(c.tiles[i], '\0');  // LZMA does not shrink it below 48 bytes
            for (char& b : noise) b = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
            files.push_back({"top/Global Scenery/+40-080/+4" + std::to_string(i) + "-07" + std::to_string(row) + ".dsf",
                             noise, 0});
        }
        dvd_set disks(files);
        if (c.first_damaged) {
            std::string archive = read_file(disks.archive_of(files[0]));
            for (size_t b = 40; b < 80; ++b) archive[b] = static_cast<char>(~archive[b]);
            testing_support::write_file(disks.archive_of(files[0]), archive);
        }
        plan(disks);
        unpack_memory_set_budget(c.in_address_space ? 0 : c.budget);
        unpack_memory_set_address_budget(c.in_address_space ? c.budget : 0);
        unpack_memory_reset_figures();
        // No unpacker runs between the rows.
        first_share.others = c.fail_waits ? 2 : c.tiles.size() > 1 ? 1 : 0;
        first_share.others_asked = 0;
        first_share.fail_waits = c.fail_waits;
        first_share.fail_first = c.fail_first;
        first_share.taken = 0;

        const int failed = c.first_damaged || c.fail_waits || c.fail_first ? 1 : 0;
        EXPECT_EQ(run_all(disks).errors, failed);
        const unpack_memory_figures f = unpack_memory_now();
        EXPECT_EQ(f.taken, c.tiles.size() - (c.fail_waits ? 1 : 0)) << "each unpacking takes its share";
        EXPECT_EQ(f.waited, c.waited);
        const uint64_t peak = c.in_address_space ? f.address_peak : f.peak;
        if (c.tiles.size() > 1) {
            EXPECT_LE(peak, c.budget) << "no two shares at once that pass it";
        } else {
            EXPECT_GT(peak, c.budget) << "alone, past it";
        }
        EXPECT_EQ(f.held + f.address_held, 0u) << "every share came back";
        EXPECT_EQ(f.in_line, 0u) << "a share left its place in the line behind";
        int installed = 0;
        for (const dvd_file& file : files) installed += read_file(dest_ / file.path.substr(4)) == file.contents;
        EXPECT_EQ(installed, static_cast<int>(files.size()) - failed);
        // Either tile may be the first to take its share.
        if (!c.fail_first) {
            EXPECT_EQ(read_file(dest_ / files.back().path.substr(4)), files.back().contents) << "the last in line went on";
        }
    }
}

TEST_F(DvdInstallPump, AHostileCursorIsKeptInsideTheManifest)
{
    dvd_set disks({{"top/a", "a", 0}});
    plan(disks);
    dvd_path = disks.disk_folder(0);
    int cursor = -7;
    while (install_files(cursor, 0) == kInstallWorking) {
    }
    EXPECT_EQ(read_file(dest_ / "a"), "a");
    cursor = 1000;
    EXPECT_EQ(install_files(cursor, 0), kInstallDone);
    EXPECT_EQ(cursor, 1);
}

// -- The continue-or-cancel question ---

int answer_first(const std::string&, const std::string&, const std::string&, const std::string&,
                 const std::string&)
{
    return 1;
}

TEST_F(DvdInstallPump, TheQuestionWithoutItsWindowIsAWarningAndNoAnswer)
{
    testing_support::alert_recorder alerts;
    EXPECT_EQ(abort_alert("Go on?", "Cancel", "the install.", "Continue", "the install."), 3);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].level, 1);
    EXPECT_EQ(alerts.alerts()[0].line1, "Go on?");
    EXPECT_EQ(alerts.alerts()[0].line2, "Cancel the install.");
    EXPECT_EQ(alerts.alerts()[0].line3, "Continue the install.");

    set_abort_alert_hook(answer_first);
    EXPECT_EQ(abort_alert("Go on?", "Cancel", "", "Continue", ""), 1);
    EXPECT_EQ(alerts.alerts().size(), 1u) << "the window asks instead";
}

}  // namespace
