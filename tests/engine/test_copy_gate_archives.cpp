// Install archives through the copy's gate: what an archive holds, and what
// the manifest line says of its file, decide whether it replaces the file.
// Every case starts with an old file in place; a refused archive leaves it
// and writes nothing else.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/archives/unpack_memory.h"
#include "core/diag/error_codes.h"
#include "archive_builders.h"
#include "dvd_fixtures.h"
#include "engine/copy_gate.h"
#include "engine/manifest.h"
#include "moment_changes.h"
#include "pump_fixture.h"

namespace {

using archive_fixtures::make_7z;
using archive_fixtures::make_zip;
using archive_fixtures::unix_folder;
using archive_fixtures::unix_link;
using archive_fixtures::zip_entry;
using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::write_file;

constexpr int kRefused = 20001;
constexpr int kRefused7z = 20016;
constexpr int kWrongContent = 20015;

// Where an allocation fails, for a row that makes one fail.
enum class no_memory { never, in_the_reader, in_the_gate, placing_the_file };

struct archive_case {
    const char* what;
    std::string file;                     // below the copy
    std::function<std::string()> archive;
    std::string signed_contents;          // what the manifest's signature is of
    int result;
    std::string after;                    // the file's contents afterwards
    bool seven_zip = false;
    float installed_kb = -1;              // -1: the contents' size, rounded up
    no_memory fails = no_memory::never;
    const char* logged = nullptr;         // the reason in the log
};

// A manifest line for `file` below the copy whose signature is that of
// `contents`, its size in whole kilobytes rounded up unless given.
file_version_struct line_for(const std::string& file, const std::string& contents, float installed_kb = -1)
{
    file_version_struct version;
    version.path = "top/" + file;
    version.sig_want = md5_hex(contents);
    version.installed_size = installed_kb >= 0 ? installed_kb : (contents.size() + 1023) / 1024;
    return version;
}

std::string zip_of(const std::string& name, const std::string& data, uint32_t attrs = 0100644u << 16)
{
    return make_zip({{name, data, attrs}});
}

// A 7z archive holding `name` as a link to `target`, as 7zz stores one.
std::string seven_zip_link(const std::string& name, const std::string& target)
{
    testing_support::scratch_dir dir;
    EXPECT_EQ(::symlink(target.c_str(), (dir / name).c_str()), 0);
    auto made = testing_support::run_shell("cd '" + dir.path() + "' && 7zz a -bd -bso0 -snl x.7z '" + name + "'");
    EXPECT_EQ(made.status, 0) << made.out;
    return read_file(dir / "x.7z");
}

// A 7z archive of `count` "__MACOSX" entries of `size` zeros, then "a.txt"
// holding `a`, as 7zz packs them with `options`.
std::string seven_zip_after_mac_metadata(int count, size_t size, const std::string& a, const std::string& options)
{
    testing_support::scratch_dir dir;
    for (int i = 0; i < count; ++i) write_file(dir / ("in/__MACOSX/._a" + std::to_string(100 + i)), std::string(size, '\0'));
    write_file(dir / "in/a.txt", a);
    auto made = testing_support::run_shell("cd '" + dir / "in" + "' && 7zz a -bd -bso0 -t7z " + options + " ../x.7z *");
    EXPECT_EQ(made.status, 0) << made.out;
    return read_file(dir / "x.7z");
}

// "a.txt" holding `a` after `count` "__MACOSX" entries of 4 KiB, whose
// folders go on past what they claim (going_on_for_gigabytes).
std::string going_on_after_mac_metadata(int count, const std::string& a, bool solid)
{
    std::vector<archive_fixtures::hand_file> passed;
    for (int i = 0; i < count; ++i) passed.push_back({"__MACOSX/._a" + std::to_string(100 + i), 0});
    return archive_fixtures::going_on_for_gigabytes(passed, {"a.txt", 0}, a, solid);
}

// "a.txt" holding `a` after "__MACOSX" entries, one in each of `folders`
// and in `going_on` more of 4 KiB whose LZMA2 streams go on for 4 GiB of
// zeros past it.
std::string after_mac_metadata(std::vector<archive_fixtures::hand_folder> folders, int going_on, const std::string& a)
{
    folders.insert(folders.end(), going_on,
                   archive_fixtures::lzma2_folder(std::string(4096, '\0'), archive_fixtures::kGoingOn));
    std::vector<archive_fixtures::hand_file> files;
    for (size_t i = 0; i < folders.size(); ++i) files.push_back({"__MACOSX/._a" + std::to_string(100 + i), 0});
    folders.push_back(archive_fixtures::lzma2_folder(a));
    files.push_back({"a.txt", 0});
    return archive_fixtures::hand_made_7z(folders, files);
}

std::vector<archive_case> cases()
{
    const std::string a = "new contents of a";
    constexpr size_t kMiB = 1 << 20;
    const char* const kPassedOver = "the entries passed over hold more than an honest archive's";
    const char* const kPastClaim = "a folder's stream holds more than what it claims could need";
    const char* const kSlow = "decoding it takes longer than what it hands over pays for";
    const std::string roomy(archive_fixtures::kRoomyClaim, 'a');
    return {
        {"an archive that holds its file installs it", "Resources/a.txt", [=] { return zip_of("a.txt", a); }, a, 0, a},
        {"an archive whose one entry has another name is refused", "Resources/a.txt",
         [=] { return zip_of("b.txt", a); }, a, kRefused, "old"},
        {"an archive that holds its file under a folder is refused", "Resources/a.txt",
         [=] { return zip_of("Resources/a.txt", a); }, a, kRefused, "old"},
        {"an archive with entries beside its file is refused whole", "Resources/a.txt",
         [=] {
             std::vector<zip_entry> entries = {{"a.txt", a}};
             for (int i = 0; i < 50; ++i) entries.push_back({"spread/" + std::to_string(i), "x"});
             return make_zip(entries);
         },
         a, kRefused, "old"},
        {"an archive with an entry before its file is refused", "Resources/a.txt",
         [=] { return make_zip({{"other.txt", "o"}, {"a.txt", a}}); }, a, kRefused, "old"},
        {"an archive that holds its file twice is refused", "Resources/a.txt",
         [=] { return make_zip({{"a.txt", a}, {"a.txt", "second"}}); }, a, kRefused, "old"},
        {"a folder entry beside the file is refused", "Resources/a.txt",
         [=] { return make_zip({{"sub/", "", unix_folder()}, {"a.txt", a}}); }, a, kRefused, "old"},
        {"Mac metadata beside the file is skipped", "Resources/a.txt",
         [=] { return make_zip({{"__MACOSX/._a.txt", "meta"}, {"a.txt", a}}); }, a, 0, a},
        {"contents that differ from the signature are refused", "Resources/a.txt",
         [=] { return zip_of("a.txt", "tampered"); }, a, kWrongContent, "old"},
        {"a file larger than its installed size is refused", "Resources/a.txt",
         [=] { return zip_of("a.txt", std::string(5000, 'x')); }, std::string(5000, 'x'), kErrLargerThanExpected, "old", false, 1},
        {"a file within its size rounded down to whole kilobytes installs", "Resources/a.txt",
         [=] { return zip_of("a.txt", std::string(1500, 'x')); }, std::string(1500, 'x'), 0, std::string(1500, 'x'),
         false, 1},
        {"an empty file with the empty file's signature installs", "Resources/a.txt",
         [=] { return zip_of("a.txt", ""); }, "", 0, ""},
        {"an empty file under another signature is refused", "Resources/a.txt",
         [=] { return zip_of("a.txt", ""); }, "not empty", kWrongContent, "old"},
        {"a damaged entry is refused with the zip reader's code", "Resources/a.txt",
         [=] { return make_zip({{"a.txt", a, 0100644u << 16, true}}); }, a, -105, "old"},
        {"an entry that claims more than it holds is a short read", "Resources/a.txt",
         [=] { return make_zip({{"a.txt", a, 0100644u << 16, false, 4000}}); }, a, 20002, "old", false, 8},
        {"something that is no archive cannot be opened", "Resources/a.txt", [] { return std::string("PK junk"); }, a,
         20001, "old"},
        {"an archive behind a comment of 65,535 bytes installs its file", "Resources/a.txt",
         [=] { return archive_fixtures::with_comment(zip_of("a.txt", a), std::string(65535, 'c')); }, a, 0, a},
        {"a non-ASCII name installs", "Données/été.txt", [=] { return zip_of("été.txt", a); }, a, 0, a},
        {"a 7z archive with BCJ2 that holds its file installs it", "Resources/a.txt",
         [=] { return make_7z({{"a.txt", a}}); }, a, 0, a, true},
        {"a 7z archive with a second file is refused", "Resources/a.txt",
         [=] { return make_7z({{"a.txt", a}, {"b.txt", "b"}}); }, a, kRefused7z, "old", true},
        {"a 7z archive whose file differs from the signature is refused", "Resources/a.txt",
         [=] { return make_7z({{"a.txt", "tampered"}}); }, a, kWrongContent, "old", true},
        {"a link entry to a file of the copy with its signature installs", "Resources/a.txt",
         [] { return zip_of("a.txt", "real.txt", unix_link()); }, "the real file", 0, "the real file"},
        {"a link entry in a 7z archive is refused", "Resources/a.txt",
         [] { return seven_zip_link("a.txt", "real.txt"); }, "the real file", kRefused7z, "old", true},
        {"a link entry to a folder is refused", "Resources/a.txt",
         [] { return zip_of("a.txt", ".", unix_link()); }, "", kRefused, "old"},
        {"a link entry that climbs out of the copy is refused", "Resources/a.txt",
         [] { return zip_of("a.txt", "../../outside.txt", unix_link()); }, "outside", kRefused, "old"},
        {"a link entry through a link of the copy that leads out is refused", "Resources/a.txt",
         [] { return zip_of("a.txt", "out/outside.txt", unix_link()); }, "outside", kRefused, "old"},
        // The reader reads out what the gate passes over: an unpacker is
        // not held for minutes by entries no one wants.
        {"Mac metadata before the file in a 7z archive is skipped", "Resources/a.txt",
         [=] { return seven_zip_after_mac_metadata(1, 4096, a, "-ms=on"); }, a, 0, a, true},
        {"Mac metadata of 17 MiB, a resource fork, before the file is skipped", "Resources/a.txt",
         [=] { return seven_zip_after_mac_metadata(1, 17 * kMiB, a, "-ms=off"); }, a, 0, a, true},
        {"Mac metadata of 5 MiB in each of 16 folders before the file is refused", "Resources/a.txt",
         [=] { return seven_zip_after_mac_metadata(16, 5 * kMiB, a, "-ms=off"); }, a, kRefused7z, "old", true, -1,
         no_memory::never, kPassedOver},
        {"Mac metadata of 65 MiB solid with the file before it is refused", "Resources/a.txt",
         [=] { return seven_zip_after_mac_metadata(1, 65 * kMiB, a, "-ms=on"); }, a, kRefused7z, "old", true, -1,
         no_memory::never, kPassedOver},
        // The library decodes a folder's stream to its end, whatever the
        // folder claims: a stream that holds more than its claim could
        // need is refused as it is read there, and what a folder decodes
        // past its claim within that is paid for by what the folder hands
        // over, a fraction of a second here, where the zeros behind them
        // would take seconds, and by no other folder, however cheap.
        {"Mac metadata in 2 folders claiming 4 KiB each of 4 GiB of zeros before the file is refused",
         "Resources/a.txt", [=] { return going_on_after_mac_metadata(2, a, false); }, a, kRefused7z, "old", true,
         -1, no_memory::never, kPastClaim},
        {"Mac metadata of 4 KiB in one folder with the file, of 4 GiB of zeros, is refused", "Resources/a.txt",
         [=] { return going_on_after_mac_metadata(4, a, true); }, a, kRefused7z, "old", true, -1, no_memory::never,
         kPastClaim},
        {"a file whose folder goes on for 4 GiB of zeros is refused", "Resources/a.txt",
         [=] { return going_on_after_mac_metadata(0, a, true); }, a, kRefused7z, "old", true, -1,
         no_memory::never, kPastClaim},
        {"Mac metadata of 16 MiB of zeros in PPMd, then 4 folders claiming 4 KiB of 4 GiB of zeros, is refused",
         "Resources/a.txt",
         [=] { return after_mac_metadata({archive_fixtures::ppmd_zeros_folder(16 * kMiB)}, 4, a); }, a,
         kRefused7z, "old", true, -1, no_memory::never, kPastClaim},
        {"Mac metadata of 16 MiB of zeros in PPMd, then 3 more each hiding 296 MiB past 32 KiB, before a file "
         "whose folder hides as much, is refused",
         "Resources/a.txt",
         [=] {
             const archive_fixtures::hand_folder hiding =
                 archive_fixtures::lzma2_folder(roomy, archive_fixtures::kHiddenInRoom);
             return archive_fixtures::hand_made_7z(
                 {archive_fixtures::ppmd_zeros_folder(16 * kMiB), hiding, hiding, hiding, hiding},
                 {{"__MACOSX/._a.txt", 0}, {"__MACOSX/._b.txt", 0}, {"__MACOSX/._c.txt", 0},
                  {"__MACOSX/._d.txt", 0}, {"a.txt", 0}});
         },
         roomy, kRefused7z, "old", true, -1, no_memory::never, kSlow},
        // Memory that cannot be had is this machine's failure, not the
        // archive's, wherever it fails.
        {"no memory for the reader's decoder", "Resources/a.txt", [=] { return make_7z({{"a.txt", a}}); }, a, ENOMEM,
         "old", true, -1, no_memory::in_the_reader, "Unpacking ran out of memory."},
        {"no memory in the gate", "Resources/a.txt", [=] { return make_7z({{"a.txt", a}}); }, a, ENOMEM, "old", true,
         -1, no_memory::in_the_gate, "Unpacking ran out of memory."},
        {"no memory placing the file", "Resources/a.txt", [=] { return zip_of("a.txt", a); }, a, ENOMEM, "old",
         false, -1, no_memory::placing_the_file, "Unpacking ran out of memory."},
    };
}

void throw_no_memory(unpack_memory_moment moment, uint64_t)
{
    if (moment == unpack_memory_moment::taken) throw std::bad_alloc();
}

// A std::bad_alloc at the first `kind` moment of the gate while this lives.
std::unique_ptr<engine_testing::moment_change> failing_allocation(no_memory where)
{
    const auto fail = [] { throw std::bad_alloc(); };
    if (where == no_memory::in_the_gate)
        return std::make_unique<engine_testing::moment_change>(disk_moment::root_checked, fail);
    if (where == no_memory::placing_the_file)
        return std::make_unique<engine_testing::moment_change>(disk_moment::creating, fail);
    unpack_memory_set_hook(where == no_memory::in_the_reader ? throw_no_memory : nullptr);
    return nullptr;
}

class CopyGateArchives : public engine_testing::pump_test {
protected:
    // The names in a folder of the copy, sorted.
    std::vector<std::string> names_in(const std::string& folder)
    {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir((dest_ / folder).c_str())) {
            while (const dirent* e = ::readdir(dir))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CopyGateArchives, AnArchiveReplacesItsFileOnlyWithExactlyThatFileAndItsSignature)
{
    for (const archive_case& c : cases()) {
        SCOPED_TRACE(c.what);
        testing_support::remove_tree(dest_ / "");
        ::mkdir(dest_.path().c_str(), 0755);
        const std::string folder = c.file.substr(0, c.file.rfind('/') + 1);
        write_file(dest_ / c.file, "old");
        write_file(dest_ / "Resources/real.txt", "the real file");
        testing_support::scratch_dir outside;
        write_file(outside / "outside.txt", "outside");
        ::symlink(outside.path().c_str(), (dest_ / "Resources/out").c_str());
        const std::vector<std::string> names_before = names_in(folder);
        write_file(temp_ / (c.seven_zip ? "x.7z" : "x.zip"), c.archive());

        const file_version_struct version = line_for(c.file, c.signed_contents, c.installed_kb);
        std::string problem;
        bool in_archive = false;
        engine_testing::log_capture log;
        int result;
        {
            const auto failing = failing_allocation(c.fails);
            result = copy_install(temp_ / (c.seven_zip ? "x.7z" : "x.zip"), version, &problem, &in_archive);
        }
        unpack_memory_set_hook(nullptr);
        if (testing_support::refused_for_a_sanitizers_time(c.result, c.logged, log.text())) continue;
        EXPECT_EQ(result, c.result);
        if (c.fails != no_memory::never) {
            EXPECT_FALSE(in_archive) << "this machine's failure counted as the archive's";
        } else {
            EXPECT_EQ(in_archive, c.result != 0) << "another server is asked only for the archive's failure";
        }
        if (c.logged) {
            EXPECT_TRUE(testing_support::has(log.text(), c.logged)) << log.text();
        }
        if (c.result) {
            EXPECT_FALSE(testing_support::has(log.text(), "line = -1")) << "a failure that names no place\n" << log.text();
        }
        EXPECT_EQ(read_file(dest_ / c.file), c.after);
        EXPECT_EQ(names_in(folder), names_before) << "something beside the file was written or left";
        EXPECT_EQ(read_file(outside / "outside.txt"), "outside");
    }
}

TEST_F(CopyGateArchives, AWrongSignatureNamesTheFileAndBothSignatures)
{
    write_file(dest_ / "Resources/a.txt", "old");
    write_file(temp_ / "x.zip", zip_of("a.txt", "tampered"));
    file_version_struct version = line_for("Resources/a.txt", "expected");
    std::string problem;
    EXPECT_EQ(copy_install(temp_ / "x.zip", version, &problem), kWrongContent);
    EXPECT_EQ(problem, "The file Resources/a.txt has the MD5 signature " + md5_hex("tampered") +
                           ", but it should be " + md5_hex("expected") + ".");

    version.sig_want.clear();  // a manifest line without a signature vouches for nothing
    EXPECT_EQ(copy_install(temp_ / "x.zip", version, &problem), kWrongContent);
    EXPECT_EQ(read_file(dest_ / "Resources/a.txt"), "old");
}

TEST_F(CopyGateArchives, AnExecutableKeepsItsMode)
{
    ::mkdir((dest_ / "bin").c_str(), 0755);
    write_file(temp_ / "x.zip", zip_of("tool", "#!/bin/sh\n", 0100755u << 16));
    const mode_t saved = ::umask(022);  // the user's, which the mode passes through
    const int err = copy_install(temp_ / "x.zip", line_for("bin/tool", "#!/bin/sh\n"), nullptr);
    ::umask(saved);
    ASSERT_EQ(err, 0);
    struct stat st;
    ASSERT_EQ(::stat((dest_ / "bin/tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
}

// A copy whose folders or files differ from the manifest only in letter
// case (made on a disk that ignores case) receives the file in place.
TEST_F(CopyGateArchives, AFileFindsItsFolderAndItsOldSelfInAnyLetterCase)
{
    write_file(dest_ / "resources/MAPS/Readme.TXT", "old");
    write_file(temp_ / "x.zip", zip_of("readme.txt", "new"));
    ASSERT_EQ(copy_install(temp_ / "x.zip", line_for("Resources/maps/readme.txt", "new"), nullptr), 0);
    EXPECT_EQ(read_file(dest_ / "resources/MAPS/Readme.TXT"), "new");
    EXPECT_EQ(names_in("resources/MAPS/"), std::vector<std::string>{"Readme.TXT"});
}

}  // namespace
