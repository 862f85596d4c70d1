// The unpack and checksum workers run these side by side, one archive or
// file per task: nothing may be shared between them but the log.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <thread>
#include <vector>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "core/files/file_checksum.h"
#include "test_support.h"

using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

TEST(ArchivesOnThreads, ZipSevenZipAndMd5RunSideBySide)
{
    scratch_dir dir;
    constexpr int kThreads = 4;
    write_file(dir / "x.7z", archive_fixtures::make_7z({{"s.txt", std::string(20000, 's')}}));
    for (int t = 0; t < kThreads; ++t) {
        std::string n = std::to_string(t);
        write_file(dir / ("z" + n + ".zip"),
                   archive_fixtures::make_zip({{"f" + n, std::string(5000 + t, 'a' + t)},
                                               {"../bad" + n, "refused"}}));
        ::mkdir((dir / ("out" + n)).c_str(), 0755);
    }

    std::vector<int> zip_results(kThreads), p7z_results(kThreads), md5_results(kThreads);
    std::vector<std::string> sums(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            std::string n = std::to_string(t);
            std::string out = dir / ("out" + n + "/");
            zip_results[t] = zip_to_file(dir / ("z" + n + ".zip"), out, nullptr, 0);
            p7z_results[t] = p7z_to_file(dir / "x.7z", out, nullptr, 0);
            md5_results[t] = calc_file_md5(out + "s.txt", sums[t]);
        });
    }
    for (auto& w : workers) w.join();

    for (int t = 0; t < kThreads; ++t) {
        std::string n = std::to_string(t);
        EXPECT_EQ(zip_results[t], 20001) << "thread " << t << " refused its climbing entry";
        EXPECT_EQ(read_file(dir / ("out" + n + "/f" + n)), std::string(5000 + t, 'a' + t));
        EXPECT_EQ(p7z_results[t], 0) << "thread " << t;
        EXPECT_EQ(md5_results[t], 0) << "thread " << t;
        EXPECT_EQ(sums[t], sums[0]);
        EXPECT_FALSE(testing_support::file_exists(dir / ("bad" + n)));
    }
}
