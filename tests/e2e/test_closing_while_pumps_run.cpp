// Closing the window while the install engine works.  The window manager's
// close request ends the program as QUIT does, and every pump stops before
// the shut-down takes anything away: the download streams are cut, the
// checksum workers drop what they have not begun.  So the program ends at
// once, with status 0, its preferences written, its threads joined and its
// temporary folder gone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>

#include "held_opens.h"
#include "web_demo_road.h"

namespace {

using testing_support::file_exists;
using testing_support::has;
using testing_support::run_shell;

void expect_clean_end(program_process& program)
{
    EXPECT_EQ(program.wait(30), 0) << program.output() << program.log();
    EXPECT_TRUE(has(program.log(), "Clean exit from threads.")) << program.log();
    EXPECT_TRUE(file_exists(program.prefs_file())) << "the installer's preferences were not written";
}

// -- Downloads -----------------------------------------------------------------

// One request of nginx's access log: the path asked for, the body bytes it
// was sent and the size of the file there.
struct served {
    std::string path;
    long sent = 0, size = 0;
};

// The requests for paths holding `part`, from the log's lines
// (127.0.0.1 - - [date] "GET http://host/path HTTP/1.1" 200 BYTES ...).
std::vector<served> requests_for(const sample_release& release, const std::string& part)
{
    std::vector<served> found;
    std::istringstream lines(release.access_log());
    for (std::string line; std::getline(lines, line);) {
        const size_t get = line.find("\"GET ");
        if (get == std::string::npos || line.find(part) == std::string::npos) continue;
        std::istringstream words(line.substr(get + 5));
        std::string target, protocol;
        int status = 0;
        served s;
        if (!(words >> target >> protocol >> status >> s.sent)) continue;
        const size_t host_end = target.find('/', target.find("//") + 2);
        s.path = target.substr(host_end + 1);
        // The second download server serves the first one's files.
        std::string file = s.path;
        if (file.compare(0, 7, "mirror/") == 0) file.replace(0, 7, "demo/");
        struct stat st {};
        if (stat((release.webroot() + file).c_str(), &st) == 0) s.size = st.st_size;
        found.push_back(s);
    }
    return found;
}

TEST(closing_while_pumps_run, CloseRequestDuringDownloadsCutsTheStreamsAndEndsCleanly)
{
    // Each stream at 100 KB/s: one large archive alone takes about a minute.
    sample_release release(10, 2, 8);
    ASSERT_TRUE(release.serve("limit_rate 100k;\n")) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    const std::string temp = road.run_folder();
    ASSERT_TRUE(begin_install(road)) << road.log();
    // The small archives come and go at once; one past 100 KB is a large
    // one on its way.
    const auto large_under_way = [&] {
        return !run_shell("find '" + temp + "' -name '*.zip' -size +100k").out.empty();
    };
    ASSERT_TRUE(wait_until(large_under_way, 30)) << "no large download under way";
    road.shot("closing_during_download");

    ASSERT_TRUE(road.send_close_request());
    expect_clean_end(road);
    EXPECT_EQ(road.output(), "");
    EXPECT_FALSE(file_exists(temp)) << temp << " outlived the run";
    // nginx notes a request when it ends; a cut one ends short.
    std::vector<served> large;
    EXPECT_TRUE(wait_until([&] { return !(large = requests_for(release, "/Resources/large/")).empty(); }, 10))
        << "no large archive was asked for\n" << release.access_log();
    for (const served& s : large) {
        EXPECT_GT(s.size, 0) << s.path << " is not in the release";
        EXPECT_LT(s.sent, s.size) << s.path << " was sent whole";
    }
}

// -- Checksums ---------------------------------------------------------------------

TEST(closing_while_pumps_run, CloseRequestDuringAChecksumRunDropsTheFilesNotBegun)
{
    program_process program(CHECKSUM_SCREEN_INSTALLER);
    constexpr int kFiles = 200;
    ASSERT_EQ(run_shell("mkdir -p '" + program.home() + "copy' && cd '" + program.home() +
                        "copy' && for i in $(seq " + std::to_string(kFiles) + "); do truncate -s 1M f$i; done")
                  .status,
              0);
    // Every worker waits on its first file until the close request is in.
    testing_support::held_opens hold(program.home() + "copy/");
    ASSERT_TRUE(hold.active()) << hold.problem();
    program.start({"--lang=en"}, hold.environment());
    ASSERT_FALSE(program.wait_for_window(20).empty()) << program.output();
    ASSERT_TRUE(hold.wait_for_open(30)) << program.log();

    ASSERT_TRUE(program.send_close_request());
    ASSERT_TRUE(wait_until([&] { return has(program.log(), " MD5 stopped at "); }, 30)) << program.log();
    hold.release();
    expect_clean_end(program);
    EXPECT_FALSE(has(program.log(), "End of MD5")) << "the checksum run was waited out";
    // "checked N of M files, workers stopped"
    std::istringstream report(program.output());
    std::string checked_word, of_word, files_word, workers_word, workers;
    int checked = -1, total = -1;
    report >> checked_word >> checked >> of_word >> total >> files_word >> workers_word >> workers;
    EXPECT_EQ(total, kFiles) << program.output();
    EXPECT_GE(checked, 0) << program.output();
    EXPECT_LT(checked, kFiles) << "every file was checked before the program ended";
    EXPECT_EQ(workers, "stopped") << "the shut-down left the checksum workers running";
}

}  // namespace
