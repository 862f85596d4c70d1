// A copy the user changes while the wizard waits between the scan and the
// install: the plan judges each file as it is when the plan is made, and the
// gate looks once more just before it replaces or deletes one.  Nothing the
// user changed is overwritten or deleted unasked, and a file that vanished
// is installed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "archive_builders.h"
#include "engine/checksum_pump.h"
#include "engine/copy_gate.h"
#include "engine/file_plan.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine_test_support.h"
#include "pump_fixture.h"

namespace {

using testing_support::file_exists;
using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::write_file;

enum class change { none, edit, remove, create, touch };

std::vector<std::string> g_asked;
int ask_and_keep(const std::string& path, int is_delete)
{
    g_asked.push_back((is_delete ? "delete " : "install ") + path.substr(path.rfind('/') + 1));
    return kAnswerKeep;
}

int ask_and_overwrite(const std::string&, int) { return kAnswerOverwrite; }

struct copy_file_case {
    const char* name;             // below Resources/
    const char* at_scan;          // contents when scanned, nullptr: absent
    std::vector<const char*> release;  // contents of each version, "GONE" for a removal
    change after_scan;
};

class ChangesSinceScan : public engine_testing::pump_test {
protected:
    void SetUp() override
    {
        pump_test::SetUp();
        set_install_filter(1, 0);
        g_asked.clear();
    }
    void TearDown() override
    {
        set_select_alert_hook(nullptr);
        pump_test::TearDown();
    }

    void lay_down(const std::vector<copy_file_case>& files)
    {
        std::string body;
        for (const copy_file_case& f : files) {
            if (f.at_scan) write_file(path_of(f.name), f.at_scan);
            for (const char* v : f.release)
                body += "FILE 1 0 0 1 1 " + (std::string(v) == "GONE" ? std::string("GONE") : md5_hex(v)) +
                        " Nimbrel/Resources/" + f.name + "\n";
        }
        write_file(temp_path + "directory.txt", engine_testing::manifest_text(body));
        ASSERT_EQ(read_directory(temp_path + "directory.txt", ""), kDirectoryRead);
        int cursor = 0;
        float progress = 0;
        while (!checksum_directory(cursor, kChecksumFull, progress)) checksum_directory_wait();
    }
    std::string path_of(const std::string& name) const { return dest_dir_path + "Resources/" + name; }
    // What a user does to a file meanwhile.  Times are set apart from the
    // scan's on purpose: an edit within the clock's tick must still show.
    void apply(const std::string& name, change c)
    {
        const std::string path = path_of(name);
        if (c == change::edit || c == change::create) write_file(path, "the user's own " + name);
        if (c == change::remove) ::unlink(path.c_str());
        if (c == change::touch || c == change::edit) {
            const timespec later[2] = {{0, UTIME_OMIT}, {4000000000, 0}};
            ::utimensat(AT_FDCWD, path.c_str(), later, 0);
        }
    }
    file_version_struct& version_of(const std::string& name)
    {
        for (file_history_struct& h : sim_info)
            if (h.back().path == "Nimbrel/Resources/" + name) return h.back();
        ADD_FAILURE() << name;
        return sim_info.front().back();
    }
};

std::string plan_of(const file_version_struct& v) { return v.do_install ? "install" : v.do_delete ? "delete" : "-"; }

// -- The plan --------------------------------------------------------------------

TEST_F(ChangesSinceScan, ThePlanJudgesEachFileAsItIsWhenThePlanIsMade)
{
    struct row {
        copy_file_case file;
        const char* plan;  // with the question answered "keep"
    };
    const std::vector<row> rows = {
        // The release changes it; the user edits it: asked, kept.
        {{"edited.txt", "v1", {"v1", "v2"}, change::edit}, "-"},
        // The release drops it; the user edits it: asked before deleting, kept.
        {{"dropped.txt", "old", {"old", "GONE"}, change::edit}, "-"},
        // Current when scanned, deleted since: installed again.
        {{"deleted.txt", "cur", {"cur"}, change::remove}, "install"},
        // Absent when scanned, made by the user since: asked, kept.
        {{"appeared.txt", nullptr, {"new"}, change::create}, "-"},
        // Touched, contents as they were: read again, still current.
        {{"touched.txt", "same", {"same"}, change::touch}, "-"},
        // Left alone: judged by the scan.
        {{"older.txt", "v1", {"v1", "v2"}, change::none}, "install"},
    };
    std::vector<copy_file_case> files;
    for (const row& r : rows) files.push_back(r.file);
    lay_down(files);
    for (const row& r : rows) apply(r.file.name, r.file.after_scan);

    set_select_alert_hook(ask_and_keep);
    ASSERT_EQ(choose_files(), 1);
    EXPECT_EQ(g_asked, (std::vector<std::string>{"install edited.txt", "delete dropped.txt", "install appeared.txt"}));
    for (const row& r : rows) EXPECT_EQ(plan_of(version_of(r.file.name)), r.plan) << r.file.name;
}

// -- The gate ---------------------------------------------------------------------

TEST_F(ChangesSinceScan, TheGateLeavesAFileChangedAfterThePlanAndInstallsOneThatVanished)
{
    struct row {
        copy_file_case file;  // after_scan: the change between the plan and the gate
        int result;
        const char* after;    // the file afterwards, nullptr: absent
    };
    const std::vector<row> rows = {
        {{"edited.txt", "v1", {"v1", "v2"}, change::edit}, kErrChangedSincePlan, "the user's own edited.txt"},
        {{"dropped.txt", "old", {"old", "GONE"}, change::edit}, kErrChangedSincePlan, "the user's own dropped.txt"},
        {{"appeared.txt", nullptr, {"new"}, change::create}, kErrChangedSincePlan, "the user's own appeared.txt"},
        {{"vanished.txt", "v1", {"v1", "v2"}, change::remove}, 0, "v2"},
        {{"touched.txt", "v1", {"v1", "v2"}, change::touch}, 0, "v2"},
        {{"gone_too.txt", "old", {"old", "GONE"}, change::touch}, 0, nullptr},
        {{"as_planned.txt", "v1", {"v1", "v2"}, change::none}, 0, "v2"},
    };
    std::vector<copy_file_case> files;
    for (const row& r : rows) files.push_back(r.file);
    lay_down(files);
    set_select_alert_hook(ask_and_overwrite);
    ASSERT_EQ(choose_files(), 1);
    ASSERT_EQ(copy_gate_open(), 0);

    for (const row& r : rows) {
        SCOPED_TRACE(r.file.name);
        apply(r.file.name, r.file.after_scan);
        const file_version_struct& v = version_of(r.file.name);
        int result;
        std::string problem;
        if (v.do_delete) {
            result = copy_delete(v);
        } else {
            ASSERT_TRUE(v.do_install);
            const std::string archive = temp_path + r.file.name + ".zip";
            write_file(archive, archive_fixtures::make_zip({{r.file.name, r.file.release.back()}}));
            result = copy_install(archive, v, &problem);
        }
        EXPECT_EQ(result, r.result) << problem;
        if (r.result) {
            EXPECT_EQ(problem, v.do_install ? "The file Resources/" + std::string(r.file.name) +
                                                  " was changed after I checked it, so I have left it as it is."
                                            : "");
        }
        if (r.after)
            EXPECT_EQ(read_file(path_of(r.file.name)), r.after);
        else
            EXPECT_FALSE(file_exists(path_of(r.file.name)));
    }
}

}  // namespace
