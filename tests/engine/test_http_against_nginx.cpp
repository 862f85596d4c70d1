// The HTTP client against a real nginx on loopback, reached through the
// proxy setting as the program reaches any host.
#include <gtest/gtest.h>

#include "alert_recorder.h"
#include "engine_test_support.h"
#include "http_harness.h"
#include "loopback_ports.h"
#include "nginx_server.h"

namespace {

using namespace testing_support;
using http_harness::poll_slot;

TEST(HttpAgainstNginx, FetchesFilesWholeOnSeveralSlotsAtOnce)
{
    scratch_dir root, out;
    std::string big;
    for (int i = 0; i < 3 * 1024 * 1024; ++i) big += static_cast<char>(i * 7 + i / 4096);
    write_file(root / "pub/with blank.bin", big);
    write_file(root / "pub/small.txt", "small");
    nginx_server nginx(root.path());
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    http_harness::routed_to_local_server route(nginx.port());

    int results[6] = {};
    const char* paths[6] = {"/pub/with blank.bin", "/pub/small.txt", "/pub/with blank.bin",
                            "/pub/small.txt", "/pub/with blank.bin", "/pub/small.txt"};
    for (int round = 0; round < 100000; ++round) {
        bool busy = false;
        for (int slot = 0; slot < 6; ++slot) {
            if (results[slot] == 0)
                results[slot] = http.net_check(slot, "files.example.com", paths[slot], out / std::to_string(slot));
            busy = busy || results[slot] == 0;
        }
        if (!busy) break;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    for (int slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(results[slot], 1) << "slot " << slot;
        EXPECT_EQ(read_file(out / std::to_string(slot)), slot % 2 ? std::string("small") : big)
            << "slot " << slot << " differs";
    }
}

TEST(HttpAgainstNginx, MissingFileFailsWithTheNotFoundWarning)
{
    scratch_dir root, out;
    nginx_server nginx(root.path());
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    http_harness::routed_to_local_server route(nginx.port());
    testing_support::alert_recorder alerts;
    EXPECT_EQ(poll_slot(1, "files.example.com", "/nothing.zip", out / "x"), 2);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line2, "files.example.com/nothing.zip");
}

TEST(HttpAgainstNginx, DroppedConnectionFailsAtOnce)
{
    scratch_dir root, out;
    write_file(root / "dropped.zip", "never sent");
    nginx_server nginx(root.path(), "location = /dropped.zip { return 444; }");
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    http_harness::routed_to_local_server route(nginx.port());
    EXPECT_EQ(poll_slot(2, "files.example.com", "/dropped.zip", out / "x"), 2)
        << "a dropped connection must not wait for the stall rule";
}

TEST(HttpAgainstNginx, RefusedConnectionFailsAtOnce)
{
    const refused_port closed;
    ASSERT_NE(closed.port(), 0);
    http_harness::routed_to_local_server route(closed.port());
    scratch_dir out;
    testing::internal::CaptureStderr();
    EXPECT_EQ(poll_slot(2, "files.example.com", "/x.zip", out / "x"), 2);
    testing::internal::GetCapturedStderr();
}

}  // namespace
