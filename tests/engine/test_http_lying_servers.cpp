// The HTTP client against servers that lie, stall or vanish.  Each case says
// what the server sends and how the transfer must end; one runner plays
// them against a real socket through the proxy setting.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "alert_recorder.h"
#include "engine_test_support.h"
#include "http_harness.h"
#include "scripted_http_server.h"

namespace {

using testing_support::count_of;
using namespace testing_support;

const char kServer[] = "files.example.com";
const char kPath[] = "/pub/a b.zip";
// What the client must send for kServer and kPath through a proxy.
const char kRequest[] =
    "GET http://files.example.com/pub/a%20b.zip HTTP/1.1\r\n"
    "Connection: close\r\n"
    "Host: files.example.com\r\n"
    "User-agent: Installer-LIN/1rc2\r\n"
    "\r\n";

enum ending { succeeds = 1, fails = 2 };

struct http_case {
    const char* name;
    std::vector<server_step> server;
    ending ends;
    // Busy until the frame clock passes the 30-second rule, then `ends`.
    bool by_stall_rule = false;
    // The local file after a success.
    std::string file_holds = "";
    bool before_request = false;
    // The most the caller lets the body bring.
    int64_t body_limit = kDefaultBodyLimit;
    // The server answered (2xx) with more than the file: not a sign that it
    // cannot be reached.
    bool wrong_file = false;
};

// Test logs name a case rather than dump its bytes.
void PrintTo(const http_case* c, std::ostream* os) { *os << c->name; }

int64_t file_size(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

std::string ok_header(const std::string& length) { return "HTTP/1.1 200 OK\r\nContent-Length: " + length + "\r\n\r\n"; }

std::vector<http_case> cases()
{
    const std::string mib(1 << 20, 'x');
    const std::string big_body(5 * 1024 * 1024 + 17, 'b');
    return {
        {"BodyOfExactlyContentLengthSucceeds", {sends(ok_header("5") + "hello")}, succeeds, false, "hello"},
        {"EmptyBodySucceedsWithAnEmptyFile", {sends(ok_header("0"))}, succeeds, false, ""},
        {"ManyMegabytesArriveByteForByte", {sends(ok_header(std::to_string(big_body.size())) + big_body)},
         succeeds, false, big_body},
        {"HeaderSplitAcrossPacketsSucceeds",
         {sends("HTTP/1.1 200 OK\r"), pauses(30), sends("\nContent-Le"), pauses(30), sends("ngth: 3\r\n\r"),
          pauses(30), sends("\nabc")},
         succeeds, false, "abc"},
        {"StatusLineWithoutReasonPhraseSucceeds", {sends("HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nok")},
         succeeds, false, "ok"},
        {"LowerCaseHeaderNamesAreUnderstood", {sends("HTTP/1.1 200 OK\r\ncontent-length: 2\r\n\r\nok")},
         succeeds, false, "ok"},
        {"InterimContinueThenFinalResponseInOnePacketSucceeds",
         {sends("HTTP/1.1 100 Continue\r\nContent-Length: 99\r\n\r\n" + ok_header("2") + "ok")}, succeeds,
         false, "ok"},
        {"IdentityTransferEncodingIsFine",
         {sends("HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\nContent-Length: 2\r\n\r\nok")}, succeeds,
         false, "ok"},
        {"ShortBodyThenCloseFailsAtOnce", {sends(ok_header("10") + "short"), closes()}, fails},
        {"ShortBodyThenResetFailsAtOnce", {sends(ok_header("10") + "short"), pauses(20), resets()}, fails},
        {"ExtraBytesBeyondContentLengthFail", {sends(ok_header("2") + "okAndMore")}, fails},
        {"NoContentLengthThenCloseFailsAtOnce", {sends("HTTP/1.1 200 OK\r\n\r\nsome body"), closes()}, fails},
        {"NoContentLengthAndNoCloseFailsByTheStallRule", {sends("HTTP/1.1 200 OK\r\n\r\nsome body"), stalls()},
         fails, true},
        {"ChunkedBodyFailsAtOnce",
         {sends("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"), stalls()},
         fails},
        {"ContentLengthWithLettersFailsAtOnce", {sends(ok_header("12abc") + "x"), stalls()}, fails},
        {"NegativeContentLengthFailsAtOnce", {sends(ok_header("-5")), stalls()}, fails},
        {"EmptyContentLengthFailsAtOnce", {sends(ok_header("")), stalls()}, fails},
        {"ContentLengthBeyondSixtyFourBitsFailsAtOnce", {sends(ok_header("99999999999999999999999")), stalls()},
         fails},
        {"ConflictingContentLengthsFailAtOnce",
         {sends("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nok"), stalls()}, fails},
        {"MegabyteHeaderFailsAtOnce", {sends("HTTP/1.1 200 OK\r\nX-Padding: " + mib + "\r\n\r\n"), stalls()},
         fails},
        {"EndlessShortHeaderLinesFailAtOnce",
         {sends("HTTP/1.1 200 OK\r\n" + [] {
              std::string lines;
              for (int i = 0; i < 20000; ++i) lines += "X-" + std::to_string(i) + ": y\r\n";
              return lines;
          }()), stalls()},
         fails},
        {"MalformedStatusCodeFailsAtOnce", {sends("HTTP/1.1 2x0 OK\r\nContent-Length: 0\r\n\r\n"), stalls()},
         fails},
        {"ServerErrorFailsWithItsBodyWritten",
         {sends("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\n\r\noops")}, fails},
        {"HangUpWithoutAnswerFailsAtOnce", {}, fails},
        {"StallRightAfterConnectFailsByTheStallRule", {stalls()}, fails, true, "", true},
        {"StallAfterTheRequestFailsByTheStallRule", {stalls()}, fails, true},
        {"StallInMidBodyFailsByTheStallRule", {sends(ok_header("100") + "first part"), stalls()}, fails, true},
        {"BodyOfExactlyTheLimitSucceeds", {sends(ok_header("5") + "hello")}, succeeds, false, "hello", false, 5},
        {"ContentLengthOneAboveTheLimitFailsAtOnce", {sends(ok_header("6") + "hello!"), stalls()}, fails, false, "",
         false, 5, true},
        {"HugeContentLengthFailsBeforeAByteIsWritten", {sends(ok_header("99999999999") + "xyz"), stalls()}, fails,
         false, "", false, kDefaultBodyLimit, true},
        {"EndlessBodyWithoutLengthFailsAtTheLimit", {sends("HTTP/1.1 200 OK\r\n\r\n" + mib + mib + mib), stalls()},
         fails, false, "", false, 1 << 20, true},
        {"BodyRunningPastItsLengthAndTheLimitFailsAtTheLimit", {sends(ok_header("1000") + mib), stalls()}, fails,
         false, "", false, 1000, true},
        // An error page is no version of the file, however long: the server
        // is failing, and is asked again after a rest.
        {"ErrorPageLongerThanTheLimitIsTheServerFailing",
         {sends("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 4096\r\n\r\n" + std::string(4096, 'p')),
          stalls()},
         fails, false, "", false, 1024},
        {"ErrorPageWithoutLengthIsCutAtTheLimit",
         {sends("HTTP/1.1 404 Not Found\r\n\r\n" + std::string(4096, 'p')), stalls()}, fails, false, "", false,
         1024},
    };
}

// Every program of the suite registers the cases as it starts, whichever
// test it runs, and they hold megabytes: they are built once, and the tests
// take them by their place (copied for each registration, they took a
// ThreadSanitizer program a second to start).
const std::vector<http_case>& all_cases()
{
    static const std::vector<http_case> built = cases();
    return built;
}

std::vector<const http_case*> places_of(const std::vector<http_case>& built)
{
    std::vector<const http_case*> places;
    for (const http_case& c : built) places.push_back(&c);
    return places;
}

std::string name_of(const testing::TestParamInfo<const http_case*>& info) { return info.param->name; }

class LyingServer : public testing::TestWithParam<const http_case*> {};

TEST_P(LyingServer, EndsAsItMust)
{
    const http_case& c = *GetParam();
    scripted_http_server server(c.server, c.before_request);
    http_harness::routed_to_local_server route(server.port());
    http_harness::captured_log log;
    testing_support::alert_recorder alerts;
    scratch_dir dir;
    const std::string local = dir / "0.zip";

    int result = 0;
    if (c.by_stall_rule) {
        // Stepped until the server has said all it will and the client has
        // taken it, its request sent: only the stall rule can end the
        // transfer then, however late a busy machine let the server speak.
        const uint64_t before = http.traffic();
        const auto all_taken = [&] {
            return server.script_played() && http.traffic() - before == sizeof kRequest - 1 + server.bytes_sent();
        };
        testing_support::idle_limit limit(30);
        while (result == 0 && !all_taken() && limit.moving({double(http.traffic()), double(server.bytes_sent())})) {
            result = http.net_check(2, kServer, kPath, local, c.body_limit);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_EQ(result, 0) << "answered before the stall rule";
        ASSERT_TRUE(all_taken()) << "the server's words never came";
        xtim.real_time = 29.9f;
        EXPECT_EQ(http.net_check(2, kServer, kPath, local), 0) << "gave up before 30 seconds";
        xtim.real_time = 30.5f;
        result = http.net_check(2, kServer, kPath, local);
    } else {
        result = http_harness::poll_slot(2, kServer, kPath, local, http_harness::kQuietMs, c.body_limit);
    }
    EXPECT_EQ(result, c.ends) << "after the server did its part";
    EXPECT_EQ(http.transfer(2), nullptr) << "the slot must be free after an answer";
    if (!c.before_request) {
        EXPECT_EQ(server.request(), kRequest);
    }
    if (c.ends == succeeds) {
        EXPECT_EQ(read_file(local), c.file_holds);
    }
    if (c.ends == fails && !c.by_stall_rule) {
        EXPECT_NE(log.text().find("HTTP Error for " + local + "\n"), std::string::npos) << log.text();
    }
    if (c.ends == fails) {
        EXPECT_EQ(http.failing(kServer), !c.wrong_file) << "error " << http.last_os_error(2);
    }
    EXPECT_LE(file_size(local), std::max<int64_t>(c.body_limit, 0)) << "the body ran past its bound on disk";
    // "File not found!" once per run and path: only the first case may see it.
    for (const recorded_alert& alert : alerts.alerts()) EXPECT_EQ(alert.line1, "File not found!");
}

INSTANTIATE_TEST_SUITE_P(HttpClient, LyingServer, testing::ValuesIn(places_of(all_cases())), name_of);

// -- The same server asked again and again ---

const std::vector<http_case>& failing_at_once()
{
    static const std::vector<http_case> built = [] {
        std::vector<http_case> out;
        for (const http_case& c : all_cases()) {
            if (c.ends != fails || c.by_stall_rule) continue;
            out.push_back(c);
            // Every connection gets the script: it must end rather than stall.
            std::vector<server_step>& server = out.back().server;
            while (!server.empty() && server.back().kind == server_step::stall) server.pop_back();
        }
        return out;
    }();
    return built;
}

class AskedAgain : public testing::TestWithParam<const http_case*> {};

// A frame every 0.05 s for a minute of the frame clock, the slot asked in
// every one as a screen does; a transfer in flight is polled on the wall
// clock meanwhile, as if the server answered within a frame, and given up
// only once it moved no byte for half a minute.
TEST_P(AskedAgain, FailingServerIsAskedAFewTimesAMinuteAndEachFailureLogged)
{
    const http_case& c = *GetParam();
    scripted_http_server server(c.server, c.before_request, true);
    http_harness::routed_to_local_server route(server.port());
    http_harness::captured_log log;
    testing_support::alert_recorder alerts;
    scratch_dir dir;
    const std::string local = dir / "0.zip";

    int failures = 0;
    testing_support::idle_limit limit(30);
    while (xtim.real_time < 60.0f && limit.moving({xtim.real_time, static_cast<double>(http.traffic())})) {
        const int result = http.net_check(2, kServer, kPath, local, c.body_limit);
        failures += result == 2;
        ASSERT_NE(result, 1) << "a failing server succeeded";
        if (result == 0 && http.transfer(2))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        else
            xtim.real_time += 0.05f;
        if (result == 2) {
            // A body past its bound is the server's answer: rested all the
            // same, but no sign that it cannot be reached.
            EXPECT_EQ(http.failing(kServer), http.last_os_error(2) != EFBIG);
        }
    }
    ASSERT_GE(xtim.real_time, 60.0f) << "the minute did not pass";
    // Rests of 0.5, 1, 2, 4, 8, 16 and 30 seconds: seven requests.
    EXPECT_GE(failures, 5);
    EXPECT_LE(server.connections(), 8) << "asked " << server.connections() << " times in a minute";
    const std::string text = log.text();
    EXPECT_EQ(count_of(text, "HTTP Error for " + local + "\n"), failures) << text;
}

INSTANTIATE_TEST_SUITE_P(HttpClient, AskedAgain, testing::ValuesIn(places_of(failing_at_once())), name_of);

TEST(HttpClientRest, ASuccessEndsTheRestAndTheNextFailureIsWrittenOutAgain)
{
    scratch_dir dir;
    const std::string local = dir / "f";
    http_harness::captured_log log;
    testing_support::alert_recorder alerts;
    {
        scripted_http_server failing({sends("HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n")}, false, true);
        http_harness::routed_to_local_server route(failing.port());
        EXPECT_EQ(http_harness::poll_slot(3, kServer, kPath, local), 2);
        EXPECT_TRUE(http.resting(kServer));
        EXPECT_EQ(http.net_check(3, kServer, kPath, local), 0) << "a resting server is not asked";
        EXPECT_EQ(http.transfer(3), nullptr);
        EXPECT_EQ(failing.connections(), 1);
        xtim.real_time = 0.51f;
        EXPECT_EQ(http_harness::poll_slot(3, kServer, kPath, local), 2) << "asked again once rested";
        EXPECT_EQ(failing.connections(), 2);
        EXPECT_TRUE(http.failing(kServer));

        // Another proxy is another way to the server: tried at once.
        scripted_http_server good({sends(ok_header("2") + "ok")});
        http.proxy_port_int = good.port();
        EXPECT_FALSE(http.resting(kServer));
        EXPECT_EQ(http_harness::poll_slot(3, kServer, kPath, local), 1);
        EXPECT_FALSE(http.failing(kServer));
        http.proxy_port_int = failing.port();
        EXPECT_TRUE(http.failing(kServer)) << "the way through the first proxy still fails";
        xtim.real_time = 100;
        EXPECT_EQ(http_harness::poll_slot(3, kServer, kPath, local), 2);
    }
    EXPECT_EQ(count_of(log.text(), "HTTP Error for " + local + "\n"), 3) << log.text();
}

// The pump asks a busy slot with whatever server it has chosen since; the
// failure belongs to the server the transfer was started for.
TEST(HttpClientRest, AFailureCountsAgainstTheServerTheTransferWasStartedFor)
{
    scratch_dir dir;
    testing_support::alert_recorder alerts;
    // The answer waits for the second caller, however long the first takes.
    std::atomic<bool> first_asked{false};
    scripted_http_server failing({holds_until([&] { return first_asked.load(); }),
                                  sends("HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n")});
    http_harness::routed_to_local_server route(failing.port());
    EXPECT_EQ(http.net_check(4, "first.example", "/f", dir / "f"), 0);
    first_asked = true;
    EXPECT_EQ(http_harness::poll_slot(4, "second.example", "/f", dir / "f"), 2);
    EXPECT_TRUE(http.failing("first.example"));
    EXPECT_TRUE(http.resting("first.example"));
    EXPECT_FALSE(http.failing("second.example"));
    EXPECT_FALSE(http.resting("second.example"));
}

}  // namespace
