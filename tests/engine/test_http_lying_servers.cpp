// The HTTP client against servers that lie, stall or vanish.  Each case says
// what the server sends and how the transfer must end; one runner plays
// them against a real socket through the proxy setting.
#include <gtest/gtest.h>

#include "alert_recorder.h"
#include "engine_test_support.h"
#include "http_harness.h"
#include "scripted_http_server.h"

namespace {

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
};

// Test logs name a case rather than dump its bytes.
void PrintTo(const http_case& c, std::ostream* os) { *os << c.name; }

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
    };
}

class LyingServer : public testing::TestWithParam<http_case> {};

TEST_P(LyingServer, EndsAsItMust)
{
    const http_case& c = GetParam();
    scripted_http_server server(c.server, c.before_request);
    http_harness::routed_to_local_server route(server.port());
    http_harness::captured_log log;
    testing_support::alert_recorder alerts;
    scratch_dir dir;
    const std::string local = dir / "0.zip";

    int result = http_harness::poll_slot(2, kServer, kPath, local, c.by_stall_rule ? 300 : 5000);
    if (c.by_stall_rule) {
        ASSERT_EQ(result, 0) << "answered before the stall rule";
        xtim.real_time = 29.9f;
        EXPECT_EQ(http.net_check(2, kServer, kPath, local), 0) << "gave up before 30 seconds";
        xtim.real_time = 30.5f;
        result = http.net_check(2, kServer, kPath, local);
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
    EXPECT_TRUE(alerts.alerts().empty()) << alerts.alerts().front().line1;
}

INSTANTIATE_TEST_SUITE_P(HttpClient, LyingServer, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<http_case>& info) { return info.param.name; });

}  // namespace
