// The HTTP client: one GET per connection, polled once per frame per slot.
//
// `http` holds six slots (0 the server list, 1 the manifest or the about
// box's installer download, 2 to 5 the download streams).  A caller calls
// `net_check` with the same arguments every frame until it answers done (1)
// or failed (2); each call moves the transfer by one non-blocking step.  A
// caller that steps slots again and again within a frame sleeps on their
// sockets (`wait_for`) when a round moved nothing, rather than spin.
//
// A transfer (`down_class`) is a small state machine; `GetStat` names where
// it stands:
//   connecting -> sending the request -> header -> body -> closed
// with "no socket" (the address did not resolve, or the request was refused
// before it was sent) and "socket error" as the two dead ends.  Every call
// of `net_check` ends in one of four verdicts: still busy, succeeded, failed
// (the transfer ended and is not what was asked for) or stalled (nothing
// came for 30 seconds).
//
// A server that fails is rested before it is asked again (half a second,
// doubling to 30 seconds, until it succeeds once), so no list or server can
// make the program ask many times a second, nor fill the log, which gets
// every failure whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class PCSBSocket;
struct pollfd;

// The program's version as the user sees it; the user agent carries its
// last four characters.
inline constexpr char kProgramVersionText[] = "Nimbrel 9.21rc2";

// The states of `down_class::GetStat`.
enum {
    http_no_socket = 0,
    http_connecting = 1,
    http_socket_error = 2,
    http_closed = 3,
    http_sending = 4,
    http_body = 5,
    http_header = 6,
};
// "connecting", "body", ... for logs and test messages.
const char* http_stat_name(int stat);

// Header names compare without regard to letter case, as HTTP has them.
struct http_name_less {
    bool operator()(const std::string& a, const std::string& b) const;
};
using http_header_map = std::map<std::string, std::string, http_name_less>;

// Limits that keep a hostile server from growing our memory: the response
// header block, and a body kept in memory when there is no local file.
constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kMaxMemoryBody = 1024 * 1024;
// Seconds of the frame clock without progress before a transfer is dropped.
constexpr float kStallSeconds = 30.0f;
// A body on disk is cut off past this unless the caller knows better: no
// answer this program asks for comes near it.
constexpr int64_t kDefaultBodyLimit = int64_t{256} << 20;
// Rest of a failing server after its first failure, doubled per failure
// up to the last.
constexpr float kFirstRestSeconds = 0.5f;
constexpr float kLongestRestSeconds = 30.0f;

class down_class {
public:
    down_class(const char* server, unsigned short port, const char* path, bool post,
               const std::map<std::string, std::string>& headers, const char* body,
               int body_length, const char* local_file);
    // A transfer without a connection that parses only what TakeBytes gives
    // it: for the fuzz target.
    explicit down_class(const char* local_file);
    ~down_class();
    down_class(const down_class&) = delete;
    down_class& operator=(const down_class&) = delete;

    // One polling step: send what is pending, receive one chunk, parse it.
    void DoProcessing();
    // Parses received bytes (header lines, then body).  DoProcessing feeds
    // it; the fuzz target feeds it directly.
    void TakeBytes(const char* data, size_t size);
    // Closes the local file; a failing close (the disk filled up) is the
    // transfer's error.
    void CloseFile();
    // Fails the transfer when the body announces or brings more than
    // `max_bytes` (a Content-Length above it is refused at once).
    void LimitBody(int64_t max_bytes) { bodyLimit = max_bytes; }

    bool IsDone() { return GetStat() == http_closed; }
    bool IsComplete() const { return contentLength == bytesWritten; }
    bool IsErr() { return osErr != 0 || GetStat() == http_no_socket || GetStat() == http_socket_error; }
    int GetStat();
    int GetOSErr();
    float GetPercent() const;

    int64_t ContentLength() const { return contentLength; }
    int64_t BytesWritten() const { return bytesWritten; }
    int ResponseCode() const { return responseCode; }
    const std::string& ResponseText() const { return responseText; }
    const http_header_map& ResponseHeaders() const { return responseHeaders; }
    // Body bytes kept in memory (only when there is no local file).
    const std::vector<char>& MemoryBody() const { return recvBuf; }
    float LastActivity() const { return lastActivity; }
    // Why the transfer failed before the server could be judged by its
    // answer (a refused response, a name that did not resolve), for the
    // log; empty otherwise.
    const std::string& Note() const { return note; }
    // Whether the transfer failed here: its local file could not be made
    // or written (the error is then errno).
    bool LocalFailure() const { return localFailure; }
    // What the next step waits for: the socket, and POLLOUT while the
    // connect or the request is under way, POLLIN for the answer.  False
    // when there is no socket to wait on.
    bool WaitsOn(pollfd& wait) const;

private:
    void parse_header_lines();
    void end_of_header_block();
    void take_status_or_header(const char* line, size_t length);
    void take_body();
    // A response we must not trust: fails the transfer at once with `err`.
    void refuse(const char* why, int err);
    // The local file could not be made or written: `err` (errno), and the
    // failure is ours, not the server's.
    void file_failed(int err);
    // What a body past its bound fails with.  Only a 2xx answer's body is
    // the server's version of the file, so only there is a longer one the
    // wrong file (EFBIG), which a caller tells apart from a server it could
    // not reach; any other answer has failed anyway, and its page is only
    // cut off at the same bound.
    int past_bound_error() const;

    PCSBSocket* sock = nullptr;
    std::vector<char> sendBuf;
    std::vector<char> recvBuf;
    bool headerDone = false;
    int responseCode = 0;
    std::string responseText;
    http_header_map responseHeaders;
    FILE* outFile = nullptr;
    std::string localPath;
    int osErr = 0;
    int64_t contentLength = -1;
    int64_t bytesWritten = 0;
    float lastActivity = 0;
    size_t headerBytes = 0;  // header bytes parsed so far, for the cap
    int64_t bodyLimit = -1;  // -1: none beyond the memory cap
    std::string note;
    bool localFailure = false;
};

class http_class {
public:
    http_class();
    ~http_class();

    // 0 busy, 1 the body is complete in `local_file`, 2 failed.  The slot is
    // free again after 1 or 2.  A body longer than `body_limit` fails.  While
    // the server rests after failures a free slot stays free and answers 0.
    int net_check(int slot, std::string server, std::string path, const std::string& local_file,
                  int64_t body_limit = kDefaultBodyLimit);
    // Drops a slot's transfer (its partial file stays); a free slot is fine.
    void cancel(int slot);
    // The transfer in a slot, or null when the slot is free.
    down_class* transfer(int slot) const;
    // Whether `slot` is free or busy with this very request.  A slot that
    // two callers share must not be stepped by the one that did not start
    // its transfer: that one would take the other's file for its own.
    bool free_for(int slot, const std::string& server, const std::string& path,
                  const std::string& local_file) const;
    // The error number of the slot's last failure (0 after a success), so a
    // caller can tell a full disk from a bad server after the slot is free.
    int last_os_error(int slot) const { return slot >= 0 && slot < 6 ? last_error[slot] : 0; }
    // That error when the slot's last transfer failed here rather than at
    // the server (its local file could not be made or written), else 0.
    // Such a failure does not make the server `failing`.
    int local_failure(int slot) const
    {
        return slot >= 0 && slot < 6 && last_local[slot] ? last_error[slot] : 0;
    }
    // Whether the last transfer from `server` (by the route the proxy
    // setting gives now) failed: true from a failure until a success.  A
    // body past its bound is the server's answer and does not count, nor
    // does a failure here.
    bool failing(const std::string& server) const;
    // Whether a new transfer from `server` would wait now: out its rest
    // after a failure, or for another slot already asking it again.
    bool resting(const std::string& server) const;
    // Forgets every failure: servers are asked at once again.
    void forget_failures() { trouble.clear(); }

    // Bytes every transfer has sent and received so far: a caller that
    // steps transfers in a loop sees by it whether a round moved anything.
    uint64_t traffic() const;
    // Sleeps until the socket of one of `slots`' transfers is ready for its
    // next step, or `seconds` pass: a caller with nothing to do until then
    // leaves the processor to others.  True when a socket is ready.  Free
    // slots are passed over; with none busy it only sleeps.
    bool wait_for(const int* slots, int count, double seconds) const;

    std::string proxy_host;
    std::string proxy_port;
    int proxy_port_int = 0;  // 1..65535 with a host: through the proxy; else direct
    down_class* slots[6] = {};

private:
    // A server's record since its last success.
    struct server_trouble {
        int failures = 0;
        float rest_until = 0;   // no new transfer before this
        // The last failure says nothing against reaching the server: a
        // body past its bound (its answer), or a failure here.
        bool answered = false;
    };
    bool well_formed(const std::string& server, const std::string& path);
    down_class* start_transfer(const std::string& server, const std::string& path,
                               const std::string& local_file, int64_t body_limit);
    // The record of a route: the server a slot's transfer was started for,
    // whatever the caller passes on later calls.
    void recovered(const std::string& route);
    void report_failure(down_class& transfer, const std::string& server, const std::string& path,
                        const std::string& local_file);
    void rest(const std::string& route);

    int last_error[6] = {};
    bool last_local[6] = {};
    // By route (server, or server and proxy): forgotten on a success.
    std::map<std::string, server_trouble> trouble;
    // The route of each slot's transfer: a failing server is probed by one
    // transfer at a time, not by every stream at once when its rest ends.
    std::string slot_route[6];
    // What each slot's transfer was started for: server, path, local file.
    std::string slot_request[6][3];
};

extern http_class http;
// Set once the client has started networking; process-wide.
extern int ot_inited;
// Host suffixes that bypass the proxy.
extern std::vector<std::string> gProxyExclude;

// Binds the proxy settings to their keys of the installer preference file;
// start-up calls it before the file is read.
void http_bind_preferences();

bool UseProxy(const char* host, unsigned short port);
unsigned short ProxyPort(const char* host, unsigned short port);
const char* ProxyHost(const char* host, unsigned short port);
