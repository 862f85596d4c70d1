// The HTTP client's own side: the bytes it sends, the proxy rule, the failure
// log and warnings, refusals, cancellation and its memory limits.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "alert_recorder.h"
#include "engine_test_support.h"
#include "engine/download_streams.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/tcp_socket.h"
#include "http_harness.h"
#include "scripted_http_server.h"

namespace {

using namespace testing_support;
using http_harness::captured_log;
using http_harness::poll_slot;
using http_harness::routed_to_local_server;

// Steps a transfer made by hand until `done` holds, or half a minute has
// passed for a server that never came to it.
template <class Done>
void step_until(down_class& transfer, Done done)
{
    testing_support::wait_until([&] {
        transfer.DoProcessing();
        return done();
    }, 30, 1);
}

TEST(HttpRequest, DirectRequestIsExactlyFiveLinesWithBlanksEncoded)
{
    scripted_http_server server({stalls()});
    xtim.real_time = 0;
    std::map<std::string, std::string> headers{
        {"Host", "127.0.0.1"}, {"User-agent", "Installer-LIN/1rc2"}, {"Connection", "close"}};
    down_class transfer("127.0.0.1", server.port(), "/dir with blanks/f.zip", false, headers, nullptr, 0,
                        nullptr);
    step_until(transfer, [&] { return server.request().find("\r\n\r\n") != std::string::npos; });
    EXPECT_EQ(server.request(),
              "GET /dir%20with%20blanks/f.zip HTTP/1.1\r\n"
              "Connection: close\r\n"
              "Host: 127.0.0.1\r\n"
              "User-agent: Installer-LIN/1rc2\r\n"
              "\r\n");
    EXPECT_EQ(transfer.GetStat(), http_header) << http_stat_name(transfer.GetStat());
}

TEST(HttpRequest, ProxyIsUsedOnlyWithHostAndPortAndNoMatchingExclusion)
{
    http.proxy_host = "proxy.lan";
    http.proxy_port_int = 3128;
    EXPECT_TRUE(UseProxy("files.example.com", 80));
    EXPECT_STREQ(ProxyHost("files.example.com", 80), "proxy.lan");
    EXPECT_EQ(ProxyPort("files.example.com", 80), 3128);

    gProxyExclude = {"example.org", "Example.com"};
    EXPECT_TRUE(UseProxy("files.example.com", 80)) << "exclusions compare letter case";
    gProxyExclude = {"example.com"};
    EXPECT_FALSE(UseProxy("files.example.com", 80));
    EXPECT_STREQ(ProxyHost("files.example.com", 80), "files.example.com");
    EXPECT_EQ(ProxyPort("files.example.com", 80), 80);
    EXPECT_TRUE(UseProxy("com", 80)) << "an exclusion longer than the host never matches";
    gProxyExclude = {""};
    EXPECT_FALSE(UseProxy("anything", 80)) << "an empty exclusion matches every host";
    gProxyExclude.clear();

    http.proxy_port_int = 0;
    EXPECT_FALSE(UseProxy("files.example.com", 80)) << "port number 0 means no proxy";
    http.proxy_port_int = 3128;
    http.proxy_host.clear();
    EXPECT_FALSE(UseProxy("files.example.com", 80)) << "an empty host means no proxy";
    http.proxy_port_int = 0;
}

TEST(HttpRequest, PortOutsideOneTo65535MeansNoProxyNeverAWrappedPort)
{
    http.proxy_host = "proxy.lan";
    for (int port : {-1, 65536, 0x10000 + 3128, -65535, 0}) {
        http.proxy_port_int = port;
        EXPECT_FALSE(UseProxy("files.example.com", 80)) << port;
        EXPECT_EQ(ProxyPort("files.example.com", 80), 80) << port;
        EXPECT_STREQ(ProxyHost("files.example.com", 80), "files.example.com") << port;
    }
    http.proxy_port_int = 65535;
    EXPECT_EQ(ProxyPort("files.example.com", 80), 65535) << "the last port is a port";
    http.proxy_port_int = 1;
    EXPECT_EQ(ProxyPort("files.example.com", 80), 1);
    http.proxy_host.clear();
    http.proxy_port_int = 0;
}

// 0x10000 above the server's port: cut to 16 bits it would be the server
// itself, reached as a proxy with an absolute-form request.
TEST(HttpRequest, PortThatWouldWrapOntoAServerConnectsDirectly)
{
    scripted_http_server server({stalls()});
    routed_to_local_server proxy(server.port());
    http.proxy_port_int = 0x10000 + server.port();
    std::map<std::string, std::string> headers{{"Host", "127.0.0.1"}, {"Connection", "close"}};
    down_class transfer("127.0.0.1", server.port(), "/f.zip", false, headers, nullptr, 0, nullptr);
    step_until(transfer, [&] { return server.request().find("\r\n\r\n") != std::string::npos; });
    EXPECT_EQ(server.request().rfind("GET /f.zip HTTP/1.1\r\n", 0), 0u) << server.request();
}

TEST(HttpRequest, FailureBlockNamesTheTransferAndItsState)
{
    scripted_http_server server({sends("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\n\r\noops")});
    routed_to_local_server route(server.port());
    captured_log log;
    scratch_dir dir;
    ASSERT_EQ(poll_slot(3, "srv.example", "/a b", dir / "x"), 2);
    EXPECT_EQ(log.text(), "HTTP Error for " + dir / "x" + "\n" +
                              "   server     =srv.example\n"
                              "   file       =/a b\n"
                              "   IsDone     =1\n"
                              "   IsComplete =1\n"
                              "   IsErr      =0\n"
                              "   GetStat    =3\n"
                              "   GetOSErr   =0\n"
                              "   response   =Internal Server Error (#500)\n\n");
    EXPECT_EQ(read_file(dir / "x"), "oops") << "the body of a failed response still lands in the file";
}

TEST(HttpRequest, NotFoundWarnsOncePerServerAndPathButLogsEveryTime)
{
    testing_support::alert_recorder alerts;
    captured_log log;
    scratch_dir dir;
    // One server, one way to it: the second failure is a repeat.
    scripted_http_server server({sends("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")}, false, true);
    routed_to_local_server route(server.port());
    for (const char* path : {"/gone.zip", "/gone.zip", "/other.zip"}) {
        EXPECT_EQ(poll_slot(2, "srv.example", path, dir / "x"), 2);
        xtim.real_time += 60;  // past the rest the failure earned
    }
    ASSERT_EQ(alerts.alerts().size(), 2u);
    EXPECT_EQ(alerts.alerts()[0].line1, "File not found!");
    EXPECT_EQ(alerts.alerts()[0].line2, "srv.example/gone.zip");
    EXPECT_EQ(alerts.alerts()[0].level, 1);
    EXPECT_EQ(alerts.alerts()[1].line2, "srv.example/other.zip");
    // Each failure in a block of its own, naming its file.
    const std::string block = "HTTP Error for " + dir / "x" + "\n   server     =srv.example\n   file       =";
    EXPECT_EQ(count_of(log.text(), block + "/gone.zip\n"), 2) << log.text();
    EXPECT_EQ(count_of(log.text(), block + "/other.zip\n"), 1) << log.text();
}

TEST(HttpRequest, UnknownHostFailsOnTheCallThatCreatesTheTransfer)
{
    captured_log log;
    xtim.real_time = 0;
    EXPECT_EQ(http.net_check(1, "no-such-host.invalid", "/x", "/tmp/never-written"), 2);
    std::string text = log.text();
    EXPECT_NE(text.find("Translated server no-such-host.invalid to IP addy: 0.0.0.0 and port = 80\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("   GetStat    =0\n   GetOSErr   =20011\n   response   = (#0)\n\n"), std::string::npos)
        << text;
}

TEST(HttpRequest, ControlCharactersInPathOrHostAreNeverSent)
{
    scratch_dir dir;
    for (auto [host, path] : {std::pair<std::string, std::string>{"srv.example", "/a\r\nX-Evil: 1"},
                              {"srv.example\nX-Evil: 1", "/a"}}) {
        scripted_http_server server({sends("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")});
        routed_to_local_server route(server.port());
        captured_log log;
        EXPECT_EQ(http.net_check(2, host, path, dir / "x"), 2) << "refused at once";
        EXPECT_EQ(server.request(), "") << "nothing may reach the server";
        EXPECT_NE(log.text().find("   GetOSErr   =22\n"), std::string::npos) << log.text();
    }
}

TEST(HttpRequest, MisuseRaisesTheFatalAlerts)
{
    testing_support::alert_recorder alerts;
    EXPECT_EQ(http.net_check(6, "srv", "/x", "/tmp/x"), 2);
    EXPECT_EQ(http.net_check(-1, "srv", "/x", "/tmp/x"), 2);
    EXPECT_EQ(http.net_check(2, "srv/", "/x", "/tmp/x"), 2);
    EXPECT_EQ(http.net_check(2, "srv", "x", "/tmp/x"), 2);
    EXPECT_EQ(http.net_check(2, "srv", "", "/tmp/x"), 2);
    ASSERT_EQ(alerts.alerts().size(), 5u);
    for (const testing_support::recorded_alert& a : alerts.alerts()) EXPECT_EQ(a.level, 2);
    EXPECT_EQ(alerts.alerts()[0].line1, "Too many download objects requested!");
    EXPECT_EQ(alerts.alerts()[2].line1, "net_check error! You have a dirchar at the end of the server name!");
    EXPECT_EQ(alerts.alerts()[2].line4, "srv/");
    EXPECT_EQ(alerts.alerts()[3].line1,
              "net_check error! You do not have a dirchar at the beginning of the directory name!");
    EXPECT_EQ(alerts.alerts()[4].line4, "");
    EXPECT_EQ(http.transfer(2), nullptr);
}

TEST(HttpRequest, CancelledSlotStartsAFreshTransferOnItsNextCall)
{
    scratch_dir dir;
    scripted_http_server stale({sends("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nstale"), stalls()});
    routed_to_local_server route(stale.port());
    EXPECT_EQ(poll_slot(4, "srv", "/old.zip", dir / "old", 200), 0);
    ASSERT_NE(http.transfer(4), nullptr);
    http.cancel(4);
    EXPECT_EQ(http.transfer(4), nullptr);

    scripted_http_server fresh({sends("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nnew")});
    routed_to_local_server route2(fresh.port());
    EXPECT_EQ(poll_slot(4, "srv", "/new.zip", dir / "new"), 1);
    EXPECT_EQ(read_file(dir / "new"), "new");
    EXPECT_NE(fresh.request().find("GET http://srv/new.zip "), std::string::npos);
}

TEST(HttpRequest, ResettingTheStreamsCancelsTheirTransfers)
{
    scratch_dir dir;
    scripted_http_server server({sends("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nstale"), stalls()});
    routed_to_local_server route(server.port());
    engine_testing::reset_engine_state();
    temp_path = dir.path();
    sim_info.push_back({file_version_struct{}});
    next.reset_all_streams();
    EXPECT_EQ(poll_slot(2, "srv", "/old.zip", stream_archive_path(0), 200), 0);
    ASSERT_NE(http.transfer(2), nullptr);
    next.reset_all_streams();
    EXPECT_EQ(http.transfer(2), nullptr) << "a stale transfer must never be credited to the next file";
}

// A stream's archive is written over, not emptied first: whatever a longer
// earlier download left behind the new body must go, on success and on a
// transfer cut short alike.
TEST(HttpRequest, ALocalFileLongerThanTheBodyIsCutToIt)
{
    scratch_dir dir;
    write_file(dir / "0.zip", "an earlier, much longer archive");
    scripted_http_server server({sends("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nnew")});
    routed_to_local_server route(server.port());
    EXPECT_EQ(poll_slot(2, "srv", "/a.zip", dir / "0.zip"), 1);
    EXPECT_EQ(read_file(dir / "0.zip"), "new");

    write_file(dir / "1.zip", "an earlier, much longer archive");
    scripted_http_server cut({sends("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\npart"), closes()});
    routed_to_local_server route2(cut.port());
    EXPECT_EQ(poll_slot(2, "srv", "/b.zip", dir / "1.zip"), 2);
    EXPECT_EQ(read_file(dir / "1.zip"), "part") << "what came stays, and nothing else";
}

TEST(HttpRequest, LengthsBeyondFourGigabytesAreCountedIn64Bits)
{
    scratch_dir dir;
    scripted_http_server server({sends("HTTP/1.1 200 OK\r\nContent-Length: 4294967298\r\n\r\nab"), stalls()});
    routed_to_local_server route(server.port());
    // Stepped until the two bytes are in, however late they come: the
    // transfer goes on for the rest.
    down_class* transfer = nullptr;
    EXPECT_TRUE(testing_support::wait_until([&] {
        EXPECT_EQ(http.net_check(2, "srv", "/huge", dir / "huge", int64_t{8} << 30), 0);
        transfer = http.transfer(2);
        return transfer == nullptr || transfer->BytesWritten() >= 2;
    }, 30, 1));
    ASSERT_NE(transfer, nullptr);
    EXPECT_EQ(transfer->ContentLength(), 4294967298LL);
    EXPECT_EQ(transfer->BytesWritten(), 2);
    EXPECT_GT(transfer->GetPercent(), 0.0f);
    EXPECT_LT(transfer->GetPercent(), 1e-6f);
}

TEST(HttpRequest, LocalFileThatCannotBeCreatedFailsWithItsErrno)
{
    scripted_http_server server({sends("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    routed_to_local_server route(server.port());
    captured_log log;
    EXPECT_EQ(poll_slot(2, "srv", "/f", "/nonexistent-folder/f"), 2);
    EXPECT_NE(log.text().find("   GetOSErr   =2\n"), std::string::npos) << log.text();
    EXPECT_EQ(http.last_os_error(2), 2);
}

// A pipe nobody reads, put where the body should go, would block the open
// (and with it the frame) for ever.
TEST(HttpRequest, APipeAtTheLocalFileFailsAtOnce)
{
    scratch_dir dir;
    ASSERT_EQ(::mkfifo((dir / "0.zip").c_str(), 0600), 0);
    scripted_http_server server({sends("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    routed_to_local_server route(server.port());
    EXPECT_EQ(poll_slot(2, "srv", "/a.zip", dir / "0.zip"), 2);
    EXPECT_EQ(http.last_os_error(2), ENXIO);
}

// A link or a second name of another file at the local file's name is
// never written through, and what it names stays as it was; only in the
// run's private folder is a second name the pump's own (a stream's archive
// and the file it keeps), written as the file.
TEST(HttpRequest, ALinkOrASecondNameAtTheLocalFileIsNeverWrittenThrough)
{
    const struct {
        const char* what;
        int (*make)(const char* target, const char* name);
        bool in_run_folder;
        int error;  // 0: written
    } rows[] = {
        {"a link", ::symlink, false, ELOOP},
        {"a second name", ::link, false, EMLINK},
        {"a second name the pump gave it in the run's folder", ::link, true, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        scratch_dir dir;
        write_file(dir / "kept", "the user's own words");
        ASSERT_EQ(row.make((dir / "kept").c_str(), (dir / "0.zip").c_str()), 0);
        const std::string saved_temp_path = temp_path;
        if (row.in_run_folder) temp_path = dir.path();
        scripted_http_server server({sends("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
        routed_to_local_server route(server.port());
        EXPECT_EQ(poll_slot(2, "srv", "/a.zip", dir / "0.zip"), row.error ? 2 : 1);
        temp_path = saved_temp_path;
        EXPECT_EQ(http.last_os_error(2), row.error);
        EXPECT_EQ(read_file(dir / "kept"), row.error ? "the user's own words" : "ok");
    }
}

TEST(HttpRequest, BodyKeptInMemoryIsCapped)
{
    std::string body(3 * 1024 * 1024, 'm');
    scripted_http_server server(
        {sends("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body)});
    xtim.real_time = 0;
    down_class transfer("127.0.0.1", server.port(), "/m", false, {{"Host", "x"}}, nullptr, 0, nullptr);
    step_until(transfer, [&] { return transfer.IsErr() || transfer.IsDone(); });
    EXPECT_TRUE(transfer.IsErr());
    EXPECT_EQ(transfer.GetOSErr(), EFBIG);
    EXPECT_LE(transfer.MemoryBody().size(), kMaxMemoryBody + 65536);
}

TEST(HttpRequest, EmptyBodyInMemorySucceeds)
{
    scripted_http_server server({sends("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n")});
    routed_to_local_server route(server.port());
    EXPECT_EQ(poll_slot(0, "srv", "/empty", ""), 1);
}

}  // namespace
