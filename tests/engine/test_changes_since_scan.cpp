// A copy the user changes while the wizard waits between the scan and the
// install: the plan judges each file as it is when the plan is made, and the
// gate looks once more just before it replaces or deletes one.  Nothing the
// user changed is overwritten or deleted unasked, nor a file the installer
// cannot read; a file that vanished is installed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive_builders.h"
#include "engine/checksum_pump.h"
#include "engine/copy_gate.h"
#include "engine/file_plan.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"
#include "engine_test_support.h"
#include "hostile_texts.h"
#include "pump_fixture.h"

namespace {

using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::write_file;

std::vector<std::string> g_asked;
// Keeps every file but those whose name says to overwrite them.
int ask(const std::string& path, int is_delete)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    g_asked.push_back((is_delete ? "delete " : "install ") + name);
    return name.find("overwritten") != std::string::npos ? kAnswerOverwrite : kAnswerKeep;
}

// `lock` makes the file unreadable; `to_link` puts a link to the user's
// file in its place.
enum change { none, edit, remove, create, touch, lock, edit_lock, to_link };
const char kMine[] = "the user's";

struct file_case {
    const char* name;
    const char* at_scan;               // nullptr: absent
    std::vector<const char*> release;  // each version's contents, "GONE" for a removal
    change before_plan, before_gate;
    int gate;                          // the gate's answer; -1: the plan leaves the file
    const char* after;                 // nullptr: absent
};

using ChangesSinceScan = engine_testing::pump_test;

// The manifest's lines for the files.
std::string manifest_of(const std::vector<file_case>& files)
{
    std::string body;
    for (const file_case& f : files)
        for (const std::string v : f.release)
            body += "FILE 1 0 0 1 1 " + (v == "GONE" ? v : md5_hex(v)) + " Nimbrel/Resources/" + f.name + "\n";
    return engine_testing::manifest_text(body);
}

// The scan, the user's changes, the plan and the gate for each file.
void judge_each_file_as_it_is_then(const std::vector<file_case>& files, const std::string& manifest)
{
    const std::string folder = dest_dir_path + "Resources/";
    for (const file_case& f : files)
        if (f.at_scan) write_file(folder + f.name, f.at_scan);
    write_file(temp_path + "directory.txt", manifest);
    write_file(temp_path + "mine", kMine);
    ASSERT_EQ(read_directory(temp_path + "directory.txt", ""), kDirectoryRead);
    set_install_filter(1, 0);
    int cursor = 0;
    float progress = 0;
    while (!checksum_directory(cursor, kChecksumFull, progress)) checksum_directory_wait();

    // What a user does meanwhile; the times are set apart from the scan's,
    // as an edit within the clock's tick must show too.
    auto apply = [&](const char* name, change c) {
        const std::string path = folder + name;
        if (c == edit || c == create || c == edit_lock) write_file(path, kMine);
        if (c == remove || c == to_link) ::unlink(path.c_str());
        if (c == to_link) ::symlink((temp_path + "mine").c_str(), path.c_str());
        const timespec later[2] = {{0, UTIME_OMIT}, {4000000000, 0}};
        if (c == touch || c == edit || c == edit_lock) ::utimensat(AT_FDCWD, path.c_str(), later, 0);
        if (c == lock || c == edit_lock) ::chmod(path.c_str(), 0);
    };
    for (const file_case& f : files) apply(f.name, f.before_plan);
    g_asked.clear();
    set_select_alert_hook(ask);
    ASSERT_EQ(choose_files(), 1);
    set_select_alert_hook(nullptr);
    EXPECT_EQ(g_asked, (std::vector<std::string>{"install edited.txt", "delete dropped.txt", "install appeared.txt",
                                                 "install locked.txt", "install locked_overwritten.txt"}));

    ASSERT_EQ(copy_gate_open(), 0);
    for (size_t i = 0; i < files.size(); ++i) {
        const file_case& f = files[i];
        SCOPED_TRACE(f.name);
        const file_version_struct& v = sim_info[i].back();
        EXPECT_EQ(v.do_install || v.do_delete, f.gate != -1);
        apply(f.name, f.before_gate);
        if (v.do_delete) {
            EXPECT_EQ(copy_delete(v), f.gate);
        } else if (v.do_install) {
            write_file(temp_path + "a.zip", archive_fixtures::make_zip({{f.name, f.release.back()}}));
            EXPECT_EQ(copy_install(temp_path + "a.zip", v, nullptr), f.gate);
        }
        ::chmod((folder + f.name).c_str(), 0644);
        if (f.after)
            EXPECT_EQ(read_file(folder + f.name), f.after);
        else
            EXPECT_FALSE(testing_support::file_exists(folder + f.name));
    }
}

TEST_F(ChangesSinceScan, ThePlanAndTheGateJudgeEachFileAsItIsThen)
{
    const int kept = kErrChangedSincePlan;
    const std::vector<file_case> files = {
        // Changed before the plan: asked about (and kept), or installed.
        {"edited.txt", "v1", {"v1", "v2"}, edit, none, -1, kMine},
        {"dropped.txt", "old", {"old", "GONE"}, edit, none, -1, kMine},
        {"appeared.txt", nullptr, {"new"}, create, none, -1, kMine},
        {"locked.txt", "v1", {"v1", "v2"}, lock, none, -1, "v1"},
        {"locked_overwritten.txt", "v1", {"v1", "v2"}, lock, none, 0, "v2"},
        {"deleted.txt", "cur", {"cur"}, remove, none, 0, "cur"},
        {"touched.txt", "same", {"same"}, touch, none, -1, "same"},
        // Changed after the plan: the gate leaves what the user changed.
        {"edited_late.txt", "v1", {"v1", "v2"}, none, edit, kept, kMine},
        {"dropped_late.txt", "old", {"old", "GONE"}, none, edit, kept, kMine},
        {"appeared_late.txt", nullptr, {"new"}, none, create, kept, kMine},
        {"locked_late.txt", "v1", {"v1", "v2"}, none, edit_lock, kept, kMine},
        {"linked_late.txt", "v1", {"v1", "v2"}, none, to_link, kept, kMine},
        {"vanished_late.txt", "v1", {"v1", "v2"}, none, remove, 0, "v2"},
        {"touched_late.txt", "v1", {"v1", "v2"}, none, touch, 0, "v2"},
        {"dropped_touched.txt", "old", {"old", "GONE"}, none, touch, 0, nullptr},
    };
    // An unreadable file must stay so to the installer: as root it runs as
    // another user, in folders open to it, and says whether a check failed.
    ::chmod(dest_.path().c_str(), 0777);
    ::chmod(temp_.path().c_str(), 0777);
    const std::string manifest = manifest_of(files);
    const int failed = testing_support::run_unprivileged([&] {
        judge_each_file_as_it_is_then(files, manifest);
        std::fflush(stdout);
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    ASSERT_NE(failed, -1) << "cannot drop privileges here";
    EXPECT_EQ(failed, 0) << "the failures above were met as the other user";
}

// Each reading pools its paths anew and the texts of the manifest before
// go: a stamp taken under one manifest stands for its path under the next
// one read, and for no other path.
TEST_F(ChangesSinceScan, AStampFollowsItsPathIntoTheNextManifestRead)
{
    const auto read = [](const std::vector<const char*>& names) {
        std::string body;
        for (const char* name : names) body += std::string("FILE 1 0 0 1 1 NONE Nimbrel/") + name + "\n";
        write_file(temp_path + "directory.txt", engine_testing::manifest_text(body));
        return read_directory(temp_path + "directory.txt", "");
    };
    ASSERT_EQ(read({"a.txt", "b.txt"}), kDirectoryRead);
    scan_stamps_begin(true);
    for (long long size : {1, 2}) {
        file_stamp seen;
        seen.present = seen.taken = true;
        seen.size = size;
        scan_stamp_note(sim_info[size - 1].back(), seen);
    }
    for (int again = 0; again < 2; ++again) {
        ASSERT_EQ(read({"b.txt", "c.txt"}), kDirectoryRead);
        file_stamp judged;
        EXPECT_TRUE(scan_stamp_of(sim_info[0].back(), judged) && judged.size == 2);
        EXPECT_FALSE(scan_stamp_of(sim_info[1].back(), judged)) << "no stamp was taken of c.txt";
    }
}

// Paths whose MD5 begins with eleven zero bits, read as a number: one
// home in any index of up to 2,048 slots, the most that 1,000 stamps take,
// that hashes an MD5 key by its first word.  A search a server makes
// offline, microseconds a path.
std::vector<std::string> paths_of_one_md5_home(std::size_t count)
{
    std::vector<std::string> paths;
    char path[64];
    for (unsigned long n = 0; paths.size() < count; ++n) {
        const int length = std::snprintf(path, sizeof path, "Nimbrel/Resources/f%lu", n);
        if ((testing_support::md5_first_word({path, static_cast<std::size_t>(length)}) & 2047) == 0)
            paths.push_back(path);
    }
    return paths;
}

// Checksum workers note a stamp for every file of the manifest, and the gate
// looks each up, under the lock they share: whatever paths a server names,
// finding each stamp looks at a few slots, not at all of them.
TEST_F(ChangesSinceScan, StampsSpreadOverTheirTableWhateverPathsTheServerChose)
{
    constexpr std::size_t kStamps = 1000;
    const struct {
        const char* what;
        std::vector<std::string> paths;
    } rows[] = {
        {"ordinary paths", testing_support::ordinary_texts(kStamps, "Nimbrel/Resources/")},
        {"paths whose MD5 has one home", paths_of_one_md5_home(kStamps)},
        {"paths of one library string hash", testing_support::texts_of_one_library_hash(kStamps, "Nimbrel/Resources/")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string body;
        for (const std::string& path : row.paths) body += "FILE 1 0 0 1 1 NONE " + path + "\n";
        ASSERT_EQ(read_directory_body(body.data(), body.data() + body.size()), kDirectoryRead);
        ASSERT_EQ(sim_info.size(), kStamps);
        scan_stamps_begin(true);
        for (std::size_t i = 0; i < kStamps; ++i) {
            file_stamp seen;
            seen.size = static_cast<long long>(i);
            scan_stamp_note(sim_info[i].back(), seen);
        }
        EXPECT_LE(scan_stamps_probes_to_find_each(), 3 * kStamps);
        for (std::size_t i = 0; i < kStamps; ++i) {
            file_stamp judged;
            ASSERT_TRUE(scan_stamp_of(sim_info[i].back(), judged));
            ASSERT_EQ(judged.size, static_cast<long long>(i)) << row.paths[i];
        }
    }
}

}  // namespace
