// Hostile install archives on the roads that write the copy: the web pump
// against nginx and the DVD pump over fake disks.  Each archive is refused
// with its alert or error, the old file stays, nothing of the archive is
// spread into the copy, and the file is not current.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "alert_recorder.h"
#include "archive_builders.h"
#include "core/core_globals.h"
#include "core/diag/error_codes.h"
#include "dvd_fixtures.h"
#include "engine/download_streams.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "pump_fixture.h"
#include "release_on_nginx.h"

namespace {

using archive_fixtures::make_7z;
using archive_fixtures::make_zip;
using archive_fixtures::unix_link;
using archive_fixtures::zip_entry;
using engine_testing::release_files;
using testing_support::alert_recorder;
using engine_testing::release_on_nginx;
using testing_support::file_exists;
using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::write_file;

const std::string kB = "b as released";

struct hostile_archive {
    const char* what;
    std::function<std::string()> bytes;
    const char* found;  // the contents whose signature the refusal names, or null
    int err = kErrZipOpen;
};

std::vector<hostile_archive> hostile_archives()
{
    return {
        {"holds its file under another name", [] { return make_zip({{"x.txt", kB}}); }, nullptr},
        // The zip reader says so with an errno of its own.
        {"holds a name too long to read before its file",
         [] { return make_zip({{std::string(300, 'n'), "x"}, {"b.txt", kB}}); }, nullptr, ENAMETOOLONG},
        {"spreads entries beside its file",
         [] {
             // Few enough to come within the kilobyte of slack the manifest's
             // download size leaves: a longer body never reaches the gate.
             std::vector<zip_entry> entries = {{"b.txt", kB}};
             for (int i = 0; i < 8; ++i) entries.push_back({"spread/" + std::to_string(i) + ".txt", "x"});
             return make_zip(entries);
         },
         nullptr},
        {"holds other contents than the manifest's", [] { return make_zip({{"b.txt", "tampered"}}); }, "tampered",
         kErrWrongContent},
    };
}

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const file_version_struct& version_of(const std::string& path)
{
    for (const file_history_struct& history : sim_info)
        if (history.back().path == path) return history.back();
    ADD_FAILURE() << path << " is not in the manifest";
    return sim_info.front().back();
}

std::string signature_text(const std::string& found, const std::string& wanted)
{
    return "The file Resources/b.txt has the MD5 signature " + md5_hex(found) + ", but it should be " +
           md5_hex(wanted) + ".";
}

// The archive is the server's fault: the other server is asked for it too.
TEST(CopyGateOnTheWeb, AHostileArchiveIsRefusedWithItsAlertAndTheOldFileStays)
{
    for (const hostile_archive& hostile : hostile_archives()) {
        SCOPED_TRACE(hostile.what);
        // nginx serves every host from one root: both rows reach one archive.
        release_on_nginx release(release_files{{"a.txt", "a"}, {"Resources/b.txt", kB}, {"c.txt", "c"}},
                                 {"--server", "files.nimbrel.com", "/", "Main", "--server", "mirror.example", "/", "Mirror"});
        ASSERT_TRUE(release.ready()) << release.problem();
        write_file(release.web() / "Demo/Nimbrel/Resources/b.txt.zip", hostile.bytes());
        write_file(release.dest() + "Resources/b.txt", "old b");
        alert_recorder alerts;
        ASSERT_TRUE(release.fetch_manifest());
        release_on_nginx::plan_everything();

        EXPECT_EQ(release_on_nginx::run_pump(), 1);
        EXPECT_EQ(stg.extract_failed, 1) << "the finish screen offers no flight";
        ASSERT_EQ(alerts.alerts().size(), 1u);
        const testing_support::recorded_alert& alert = alerts.alerts()[0];
        EXPECT_EQ(alert.line1, "The installer cannot extract a file.");
        EXPECT_EQ(alert.line2, "Error: " + (hostile.found ? signature_text(hostile.found, kB) : error_str(hostile.err)));
        EXPECT_EQ(release.requests_for("b.txt.zip", 2), 2) << release.access_log();
        EXPECT_EQ(alert.line4, "Destination: " + release.dest() + "Resources/b.txt");
        EXPECT_EQ(version_of("Nimbrel/Resources/b.txt").is_current, 0);
        EXPECT_EQ(read_file(release.dest() + "Resources/b.txt"), "old b");
        EXPECT_EQ(names_in(release.dest() + "Resources"), std::vector<std::string>{"b.txt"});
        EXPECT_FALSE(file_exists(release.dest() + "x.txt"));
        EXPECT_FALSE(file_exists(release.dest() + "spread/0.txt"));
    }
}

// Links one archive leaves let the next write anywhere, unless every write
// is held inside the copy: "a" -> ".", "b" -> "a/.." (which reads as inside
// but is the copy's parent), then an entry "b/escaped.txt".
TEST(CopyGateOnTheWeb, LinksFromEarlierArchivesNeverCarryALaterOneOutOfTheCopy)
{
    release_on_nginx release(release_files{{"a", "placeholder"}, {"b", "placeholder"}, {"c.txt", "c"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    write_file(release.web() / "Demo/Nimbrel/a.zip", make_zip({{"a", ".", unix_link()}}));
    write_file(release.web() / "Demo/Nimbrel/b.zip", make_zip({{"b", "a/..", unix_link()}}));
    write_file(release.web() / "Demo/Nimbrel/c.txt.zip", make_zip({{"c.txt", "c"}, {"b/escaped.txt", "x"}}));
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    release_on_nginx::plan_everything();
    stg.stream_count = 1;  // the third archive after the first two

    EXPECT_EQ(release_on_nginx::run_pump(), 1);
    const std::string parent = release.dest().substr(0, release.dest().size() - 5);
    EXPECT_FALSE(file_exists(parent + "escaped.txt")) << "a file was written outside the copy";
    EXPECT_EQ(stg.extract_failed, 1);
    EXPECT_FALSE(alerts.alerts().empty());
}

// The same links already in the copy, as an earlier installer or the user
// left them: the file the manifest names through them is refused by the
// kernel, with its alert.
TEST(CopyGateOnTheWeb, LinksAlreadyInTheCopyNeverCarryAWriteOutOfIt)
{
    release_on_nginx release(release_files{{"q/x.txt", "x"}, {"deep/d1/d2/p/y.txt", "y"}});
    ASSERT_TRUE(release.ready()) << release.problem();
    ::mkdir(release.dest().c_str(), 0755);
    ASSERT_EQ(::symlink(".", (release.dest() + "p").c_str()), 0);
    ASSERT_EQ(::symlink("p/..", (release.dest() + "q").c_str()), 0);
    ::mkdir((release.dest() + "deep").c_str(), 0755);
    ::mkdir((release.dest() + "deep/d1").c_str(), 0755);
    ::mkdir((release.dest() + "deep/d1/d2").c_str(), 0755);
    ASSERT_EQ(::symlink("../../../q", (release.dest() + "deep/d1/d2/p").c_str()), 0);
    alert_recorder alerts;
    ASSERT_TRUE(release.fetch_manifest());
    release_on_nginx::plan_everything();
    stg.stream_count = 1;
    const std::string parent = release.dest().substr(0, release.dest().size() - 5);
    const std::string refused = "Error: Permission denied. Perhaps you do not have access to a directory or file system";

    // The folders are made first, and refused: the road goes back.
    EXPECT_EQ(release_on_nginx::run_pump(), -1);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line2, refused);
    // The pump on its own refuses each file the same way.
    next.reset_all_streams();
    EXPECT_EQ(release_on_nginx::pump_until_answer(), 1);
    ASSERT_EQ(alerts.alerts().size(), 2u);
    EXPECT_EQ(alerts.alerts()[1].line1, "The installer cannot extract a file.");
    EXPECT_EQ(alerts.alerts()[1].line2, refused);
    EXPECT_EQ(stg.extract_failed, 1);
    EXPECT_FALSE(file_exists(parent + "x.txt")) << "a file was written outside the copy";
    EXPECT_FALSE(file_exists(parent + "y.txt")) << "a file was written outside the copy";
}

class CopyGateOnDvd : public engine_testing::pump_test {
protected:
    int install_all(const engine_testing::dvd_set& disks, std::string& message)
    {
        disks.load_manifest();
        install_name = disks.release();
        dvd_path = disks.disk_folder(0);
        for (file_history_struct& h : sim_info) h.back().do_install = 1;
        int cursor = 0, status;
        while ((status = install_files(cursor, 0)) == kInstallWorking) {
        }
        if (status != kInstallError) return 0;
        const int err = install_files_get_error(message);
        while (install_files(cursor, 0) != kInstallDone) {
        }
        return err;
    }
};

TEST_F(CopyGateOnDvd, AHostileArchiveIsAnErrorAndTheOldFileStays)
{
    for (const hostile_archive& hostile : hostile_archives()) {
        SCOPED_TRACE(hostile.what);
        engine_testing::dvd_set disks({{"top/a", "a", 0}, {"top/Resources/b.txt", kB, 0}, {"top/c", "c", 0}});
        write_file(disks.archive_of({"top/Resources/b.txt", kB, 0}), hostile.bytes());
        write_file(dest_ / "Resources/b.txt", "old b");

        std::string message;
        EXPECT_EQ(install_all(disks, message), hostile.err);
        EXPECT_NE(message.find("I was unable to unzip the file "), std::string::npos) << message;
        if (hostile.found) {
            EXPECT_NE(message.find(signature_text(hostile.found, kB)), std::string::npos) << message;
        }
        EXPECT_EQ(version_of("top/Resources/b.txt").is_current, 0);
        EXPECT_EQ(read_file(dest_ / "Resources/b.txt"), "old b");
        EXPECT_EQ(names_in(dest_ / "Resources"), std::vector<std::string>{"b.txt"});
        EXPECT_EQ(read_file(dest_ / "c"), "c") << "the run goes on after the error";
    }
}

TEST_F(CopyGateOnDvd, AScenery7zWhoseTileDiffersFromItsSignatureIsAnError)
{
    const std::string tile = "top/Global Scenery/+40-080/+45-075.dsf";
    engine_testing::dvd_set disks({{tile, "the tile", 0}});
    write_file(disks.archive_of({tile, "the tile", 0}), make_7z({{"+45-075.dsf", "tampered tile"}}));
    ::mkdir((dest_ / "Global Scenery").c_str(), 0755);
    ::mkdir((dest_ / "Global Scenery/+40-080").c_str(), 0755);

    std::string message;
    EXPECT_EQ(install_all(disks, message), kErrWrongContent);
    EXPECT_NE(message.find("has the MD5 signature " + md5_hex("tampered tile")), std::string::npos) << message;
    EXPECT_FALSE(file_exists(dest_ / "Global Scenery/+40-080/+45-075.dsf"));
}

}  // namespace
