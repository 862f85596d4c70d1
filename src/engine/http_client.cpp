// The HTTP client.  Sections:
//   -- Proxy rule ---
//   -- Building a transfer ---
//   -- One step: socket, header, body ---
//   -- Queries ---
//   -- The slots ---
//   -- Failing servers: rest and the failure log ---
//   -- net_check: one step of a slot ---
#include "engine/http_client.h"

#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/core_globals.h"
#include "core/diag/error_codes.h"
#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/files/own_files.h"
#include "core/text/preferences.h"
#include "core/shell_hooks.h"
#include "engine/download_streams.h"
#include "engine/installer_state.h"
#include "engine/tcp_socket.h"

http_class http;
std::vector<std::string> gProxyExclude;

namespace {

const char kAlertSource[] = "HLutils/OOPS_cpp/http";

// One receive buffer for every slot: transfers are stepped one at a time on
// the main thread.
char readChunk[65536];
// Bytes sent and received by every transfer, for http_class::traffic.
uint64_t bytes_moved = 0;

bool has_control_chars(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

bool is_plain_number(const std::string& text)
{
    // 18 digits always fit a signed 64-bit length.
    if (text.empty() || text.size() > 18) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string trim_blanks(const char* begin, const char* end)
{
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    return std::string(begin, end);
}

float clock_now()
{
    return xtim.real_time;
}

}  // namespace

const char* http_stat_name(int stat)
{
    switch (stat) {
    case http_no_socket: return "no socket";
    case http_connecting: return "connecting";
    case http_socket_error: return "socket error";
    case http_closed: return "closed";
    case http_sending: return "sending the request";
    case http_body: return "body";
    case http_header: return "header";
    default: return "unknown";
    }
}

bool http_name_less::operator()(const std::string& a, const std::string& b) const
{
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

// -- Proxy rule ---

bool UseProxy(const char* host, unsigned short)
{
    // A port that is no port (a -1 from a text that was no number, or a
    // hand-edited preference) means no proxy: cut to 16 bits it would
    // become some other port, 65535 for -1, and connect there.
    if (http.proxy_port_int < 1 || http.proxy_port_int > 65535 || http.proxy_host.empty())
        return false;
    size_t host_len = strlen(host);
    for (const std::string& suffix : gProxyExclude)
        if (suffix.size() <= host_len && suffix.compare(0, std::string::npos, host + host_len - suffix.size()) == 0)
            return false;
    return true;
}

unsigned short ProxyPort(const char* host, unsigned short port)
{
    return UseProxy(host, port) ? static_cast<unsigned short>(http.proxy_port_int) : port;
}

const char* ProxyHost(const char* host, unsigned short port)
{
    return UseProxy(host, port) ? http.proxy_host.c_str() : host;
}

// -- Building a transfer ---

down_class::down_class(const char* server, unsigned short port, const char* path, bool post,
                       const std::map<std::string, std::string>& headers, const char* body,
                       int body_length, const char* local_file)
    : lastActivity(clock_now())
{
    if (local_file) localPath = app_path + local_file;

    // A CR or LF would let a server name or path smuggle its own header
    // lines into the request: such a request is never sent.
    bool unsafe = has_control_chars(server) || has_control_chars(path);
    for (const auto& [name, value] : headers) unsafe = unsafe || has_control_chars(name) || has_control_chars(value);
    if (unsafe) {
        note = "Refused a request holding control characters\n";
        osErr = EINVAL;
        return;
    }

    bool proxied = UseProxy(server, port);
    unsigned long address = PCSBSocket::LookupAddress(proxied ? ProxyHost(server, port) : server);
    if (address == 0) {
        note = std::string("Translated server ") + server + " to IP addy: 0.0.0.0 and port = " + std::to_string(port) + "\n";
        osErr = kErrNetNoServer;
        return;
    }
    responseCode = -1;
    sock = new PCSBSocket(0, false);
    sock->Connect(address, ProxyPort(server, port));

    std::string request = post ? "POST " : "GET ";
    if (proxied) {
        auto host = headers.find("Host");
        request += "http://" + (host == headers.end() ? std::string() : host->second);
    }
    for (const char* p = path; *p; ++p) {
        if (*p == ' ')
            request += "%20";
        else
            request += *p;
    }
    request += " HTTP/1.1\r\n";
    for (const auto& [name, value] : headers) request += name + ": " + value + "\r\n";
    if (body) request += "Content-Length: " + std::to_string(body_length) + "\r\n";
    request += "\r\n";
    sendBuf.assign(request.begin(), request.end());
    if (body && body_length > 0) sendBuf.insert(sendBuf.end(), body, body + body_length);
}

down_class::down_class(const char* local_file) : responseCode(-1), lastActivity(clock_now())
{
    if (local_file) localPath = app_path + local_file;
}

down_class::~down_class()
{
    CloseFile();
    delete sock;
}

// -- One step: socket, header, body ---

void down_class::DoProcessing()
{
    if (!sock) return;
    int status = sock->GetStatus();
    if (status == sock_closed || status == sock_error) {
        CloseFile();
        return;
    }
    if (status != sock_connected) return;

    if (!sendBuf.empty()) {
        long sent = sock->http_WriteData(sendBuf.data(), static_cast<long>(sendBuf.size()));
        if (sent > 0) {
            sendBuf.erase(sendBuf.begin(), sendBuf.begin() + sent);
            bytes_moved += static_cast<uint64_t>(sent);
        }
    }
    long got = sock->ReadData(readChunk, sizeof readChunk);
    if (got > 0) {
        bytes_moved += static_cast<uint64_t>(got);
        TakeBytes(readChunk, static_cast<size_t>(got));
    } else if (got == 0 && sock->ReceivedRelease()) {
        // The server has said all it will: judge the transfer now rather
        // than wait out the stall rule on a connection that is gone.
        sock->Disconnect();
    }
}

void down_class::TakeBytes(const char* data, size_t size)
{
    if (osErr) return;
    recvBuf.insert(recvBuf.end(), data, data + size);
    if (!headerDone) parse_header_lines();
    if (headerDone && !osErr) take_body();
}

void down_class::parse_header_lines()
{
    const char* begin = recvBuf.data();
    const char* end = begin + recvBuf.size();
    const char* line = begin;
    while (!headerDone && !osErr) {
        const char* lf = static_cast<const char*>(memchr(line, '\n', static_cast<size_t>(end - line)));
        while (lf && (lf == line || lf[-1] != '\r'))  // a bare LF does not end a line
            lf = static_cast<const char*>(memchr(lf + 1, '\n', static_cast<size_t>(end - lf - 1)));
        if (!lf) break;
        size_t length = static_cast<size_t>(lf - 1 - line);
        headerBytes += length + 2;
        if (headerBytes > kMaxHeaderBytes) {
            refuse("header block larger than 64 KiB", kErrNetBadState);
            break;
        }
        if (length == 0) {
            if (responseCode > 199) {
                end_of_header_block();
            } else {
                // The end of an interim response (100 Continue): its header
                // lines say nothing about the final one that follows.
                responseHeaders.clear();
            }
        } else {
            take_status_or_header(line, length);
        }
        line = lf + 1;
    }
    recvBuf.erase(recvBuf.begin(), recvBuf.begin() + (line - begin));
    if (!headerDone && headerBytes + recvBuf.size() > kMaxHeaderBytes)
        refuse("header block larger than 64 KiB", kErrNetBadState);
}

void down_class::take_status_or_header(const char* line, size_t length)
{
    if (length >= 5 && memcmp(line, "HTTP/", 5) == 0) {
        // "HTTP/1.1 200 OK", or without the reason phrase "HTTP/1.1 200".
        bool well_formed = length >= 12 && line[8] == ' ' && (length == 12 || line[12] == ' ');
        for (int i = 9; well_formed && i < 12; ++i) well_formed = line[i] >= '0' && line[i] <= '9';
        if (!well_formed) {
            refuse("malformed status line", kErrNetBadState);
            return;
        }
        responseCode = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
        responseText = length > 13 ? std::string(line + 13, length - 13) : std::string();
        return;
    }
    const char* colon = static_cast<const char*>(memchr(line, ':', length));
    if (!colon || colon == line) return;
    std::string name(line, colon);
    std::string value = trim_blanks(colon + 1, line + length);
    auto [at, added] = responseHeaders.emplace(name, value);
    // Two different lengths leave no way to tell where the body ends.
    if (!added && strcasecmp(name.c_str(), "Content-Length") == 0 && at->second != value)
        refuse("conflicting Content-Length headers", kErrNetBadState);
}

void down_class::end_of_header_block()
{
    headerDone = true;
    auto coding = responseHeaders.find("Transfer-Encoding");
    if (coding != responseHeaders.end() && strcasecmp(coding->second.c_str(), "identity") != 0) {
        refuse("Transfer-Encoding other than identity", kErrNetBadState);
        return;
    }
    auto length = responseHeaders.find("Content-Length");
    if (length != responseHeaders.end()) {
        if (!is_plain_number(length->second)) {
            refuse("Content-Length is not a plain number", kErrNetBadState);
            return;
        }
        contentLength = std::stoll(length->second);
        // Refused before a byte reaches the disk.
        if (bodyLimit >= 0 && contentLength > bodyLimit) {
            refuse("Content-Length above the size expected", past_bound_error());
            return;
        }
    }
    if (!localPath.empty()) {
        // Written over from the start and cut to the body's length at the
        // close, rather than emptied now: ext4 pushes a file that was emptied
        // and written again to the disk at its close, which made one file
        // reused for every download slower than a new one each time.  The
        // names are fixed, so they lie only in folders no other user may
        // write (the run's, the one of the run's own files), and the file
        // is one of the program's own: never a link, a pipe or a second
        // name of another file, and the user's alone.  In the run's private
        // folder a stream's archive is a second name the pump gave its kept
        // file (download_streams.h).
        const bool in_run_folder = !temp_path.empty() && localPath.compare(0, temp_path.size(), temp_path) == 0;
        int fd = open_own_file(localPath, 0, in_run_folder);
        outFile = fd < 0 ? nullptr : fdopen(fd, "w");
        if (!outFile) {
            file_failed(errno);
            if (fd >= 0) ::close(fd);
        }
    }
}

void down_class::take_body()
{
    lastActivity = clock_now();
    const int64_t arrived = bytesWritten + static_cast<int64_t>(recvBuf.size());
    // A server that never stops sending (no length, or more than it said)
    // would otherwise fill the disk while the stall rule never fires.
    if (bodyLimit >= 0 && arrived > bodyLimit) {
        refuse("body longer than the size expected", past_bound_error());
        return;
    }
    if (contentLength != -1 && arrived >= contentLength && sock) sock->Disconnect();
    if (recvBuf.empty()) return;
    if (outFile) {
        bytesWritten += static_cast<int64_t>(recvBuf.size());
        if (fwrite(recvBuf.data(), 1, recvBuf.size(), outFile) != recvBuf.size()) file_failed(errno);
        recvBuf.clear();
    } else if (recvBuf.size() > kMaxMemoryBody) {
        note = "HTTP body too large to keep in memory\n";
        osErr = past_bound_error();
        if (sock) sock->Disconnect();
    }
}

void down_class::CloseFile()
{
    if (!outFile) return;
    // What an earlier, longer download left behind the body goes; a device
    // or pipe at the name has no length to cut.
    struct stat st;
    if (fflush(outFile) != 0) file_failed(errno);
    if (fstat(fileno(outFile), &st) == 0 && S_ISREG(st.st_mode) && st.st_size != bytesWritten &&
        ftruncate(fileno(outFile), bytesWritten) != 0)
        file_failed(errno);
    if (fclose(outFile) != 0) file_failed(errno);
    outFile = nullptr;
}

void down_class::file_failed(int err)
{
    if (osErr) return;
    osErr = err ? err : EIO;
    localFailure = true;
}

int down_class::past_bound_error() const
{
    return responseCode >= 200 && responseCode <= 299 ? EFBIG : kErrNetBadState;
}

void down_class::refuse(const char* why, int err)
{
    note = std::string("HTTP response refused: ") + why + "\n";
    osErr = err;
    if (sock) sock->Disconnect();
}

// -- Queries ---

int down_class::GetStat()
{
    if (!sock) return http_no_socket;
    switch (sock->GetStatus()) {
    case sock_idle:
    case sock_connecting: return http_connecting;
    case sock_error: return http_socket_error;
    case sock_closed: return http_closed;
    default: break;
    }
    if (!sendBuf.empty()) return http_sending;
    return headerDone ? http_body : http_header;
}

int down_class::GetOSErr()
{
    if (osErr) return osErr;
    if (!sock) return kErrNetAlloc;
    return sock->GetOSError();
}

bool down_class::WaitsOn(pollfd& wait) const
{
    if (!sock || sock->Descriptor() < 0) return false;
    const int status = sock->LastStatus();
    if (status != sock_connecting && status != sock_connected) return false;
    wait.fd = sock->Descriptor();
    // While the request goes out the server may already answer, or hang up.
    wait.events = status == sock_connecting ? POLLOUT : sendBuf.empty() ? POLLIN : POLLIN | POLLOUT;
    wait.revents = 0;
    return true;
}

float down_class::GetPercent() const
{
    if (contentLength == -1) return -1.0f;
    if (contentLength == 0) return 100.0f;
    return static_cast<float>(static_cast<double>(bytesWritten) * 100.0 / static_cast<double>(contentLength));
}

// -- The slots ---

http_class::http_class() = default;

void http_bind_preferences()
{
    pref_bind_text(11, "_proxy_host", &http.proxy_host);
    pref_bind_text(11, "_proxy_port", &http.proxy_port);
    pref_bind_int(11, "_proxy_port_int", &http.proxy_port_int);
}

// Transfers still in their slots at exit are left to the system, as the
// program ends anyway.
http_class::~http_class() = default;

down_class* http_class::transfer(int slot) const
{
    return slot >= 0 && slot < 6 ? slots[slot] : nullptr;
}

bool http_class::free_for(int slot, const std::string& server, const std::string& path,
                          const std::string& local_file) const
{
    if (slot < 0 || slot >= 6) return false;
    if (!slots[slot]) return true;
    const std::string(&held)[3] = slot_request[slot];
    return held[0] == server && held[1] == path && held[2] == local_file;
}

uint64_t http_class::traffic() const { return bytes_moved; }

bool http_class::wait_for(const int* slots, int count, double seconds) const
{
    pollfd waits[6];
    nfds_t n = 0;
    for (int i = 0; i < count && n < 6; ++i)
        if (const down_class* busy = transfer(slots[i]); busy && busy->WaitsOn(waits[n])) ++n;
    seconds = seconds > 0 ? std::min(seconds, 3600.0) : 0;
    timespec timeout{static_cast<time_t>(seconds), static_cast<long>((seconds - std::floor(seconds)) * 1e9)};
    // A signal cuts the sleep short; the caller looks at its clock anyway.
    return ::ppoll(waits, n, &timeout, nullptr) > 0;
}

void http_class::cancel(int slot)
{
    if (slot < 0 || slot >= 6) return;
    delete slots[slot];
    slots[slot] = nullptr;
}

bool http_class::well_formed(const std::string& server, const std::string& path)
{
    if (!server.empty() && server.back() == '/') {
        __MACIBM_alert(0, "net_check error! You have a dirchar at the end of the server name!", "You should not!",
                       "Our convention is that a server name is simply a server name... with no slash!", server, 2,
                       kAlertSource, 253);
        return false;
    }
    if (path.empty() || path[0] != '/') {
        __MACIBM_alert(0, "net_check error! You do not have a dirchar at the beginning of the directory name!",
                       "You should!",
                       "Our convention is that a directory name does start with a slash because it must "
                       "include the hard drive,which is a dir char on unix!",
                       path, 2, kAlertSource, 254);
        return false;
    }
    return true;
}

down_class* http_class::start_transfer(const std::string& server, const std::string& path,
                                       const std::string& local_file, int64_t body_limit)
{
    const std::string version = kProgramVersionText;
    const std::map<std::string, std::string> headers{
        {"Host", server},
        {"User-agent", "Installer-LIN/" + version.substr(version.size() - 4)},
        {"Connection", "close"},
    };
    auto* transfer =
        new down_class(server.c_str(), 80, path.c_str(), false, headers, nullptr, 0, local_file.c_str());
    transfer->LimitBody(body_limit);
    // reset_all_streams drops the streams' transfers through this hook;
    // set with every transfer, so a busy slot can always be cancelled.
    set_cancel_transfer_hook([](int busy_slot) { http.cancel(busy_slot); });
    return transfer;
}

// -- Failing servers: rest and the failure log ---

namespace {

// The same server reached another way (another proxy) is another route,
// with a record of its own: a proxy the user just set is tried at once.
std::string route_of(const std::string& server)
{
    if (!UseProxy(server.c_str(), 80)) return server;
    return server + " via " + http.proxy_host + ":" + std::to_string(http.proxy_port_int);
}

}  // namespace

bool http_class::failing(const std::string& server) const
{
    auto found = trouble.find(route_of(server));
    return found != trouble.end() && found->second.failures > 0 && !found->second.answered;
}

bool http_class::resting(const std::string& server) const
{
    const std::string route = route_of(server);
    auto found = trouble.find(route);
    if (found == trouble.end()) return false;
    if (clock_now() < found->second.rest_until) return true;
    for (int slot = 0; slot < 6; ++slot)
        if (slots[slot] && slot_route[slot] == route) return true;
    return false;
}

void http_class::recovered(const std::string& route) { trouble.erase(route); }

void http_class::rest(const std::string& route)
{
    server_trouble& t = trouble[route];
    t.failures = std::min(t.failures + 1, 30);
    const float rest = std::min(kLongestRestSeconds, kFirstRestSeconds * std::ldexp(1.0f, t.failures - 1));
    t.rest_until = clock_now() + rest;
}

// Every failure is written out whole: the rest between tries already keeps
// a failing server from filling the log.
void http_class::report_failure(down_class& transfer, const std::string& server, const std::string& path,
                                const std::string& local_file)
{
    xer << transfer.Note() << "HTTP Error for " << local_file << "\n"
        << "   server     =" << server << "\n"
        << "   file       =" << path << "\n"
        << "   IsDone     =" << transfer.IsDone() << "\n"
        << "   IsComplete =" << transfer.IsComplete() << "\n"
        << "   IsErr      =" << transfer.IsErr() << "\n"
        << "   GetStat    =" << transfer.GetStat() << "\n"
        << "   GetOSErr   =" << transfer.GetOSErr() << "\n"
        << "   response   =" << transfer.ResponseText() << " (#" << transfer.ResponseCode() << ")\n\n";
}

// -- net_check: one step of a slot ---

namespace {

enum class verdict {
    busy,       // still connecting, sending or receiving
    succeeded,  // a 2xx answer whose body is complete on disk
    failed,     // ended, and not with what was asked for
    stalled,    // nothing for kStallSeconds
};

verdict judge(down_class& transfer)
{
    if (transfer.IsDone() || transfer.IsComplete() || transfer.IsErr()) {
        const int code = transfer.ResponseCode();
        const bool good = code >= 200 && code <= 299 && transfer.IsComplete();
        // Buffered bytes reach the disk only at the close: a full disk can
        // show up there, and then the file is not complete.
        if (good) transfer.CloseFile();
        return good && !transfer.IsErr() ? verdict::succeeded : verdict::failed;
    }
    return clock_now() > transfer.LastActivity() + kStallSeconds ? verdict::stalled : verdict::busy;
}

}  // namespace

int ot_inited = 0;

int http_class::net_check(int slot, std::string server, std::string path, const std::string& local_file,
                          int64_t body_limit)
{
    static bool inited_any = false;
    static bool soc_inited = false;
    static std::vector<std::string> files_not_found;

    if (slot < 0 || slot > 5) {
        __MACIBM_alert(0, "Too many download objects requested!", "", "", "", 2, kAlertSource, 238);
        return 2;
    }
    if (!inited_any) {
        inited_any = true;
        if (!soc_inited) {
            PCSBSocket::StartupNetworking(ot_inited == 0);
            ot_inited = soc_inited = true;
        }
    }

    down_class*& transfer = slots[slot];
    if (!transfer) {
        if (!well_formed(server, path)) return 2;
        if (resting(server)) return 0;
        transfer = start_transfer(server, path, local_file, body_limit);
        slot_route[slot] = route_of(server);
        slot_request[slot][0] = server;
        slot_request[slot][1] = path;
        slot_request[slot][2] = local_file;
    }

    transfer->DoProcessing();
    switch (judge(*transfer)) {
    case verdict::busy:
        return 0;
    case verdict::succeeded:
        last_error[slot] = 0;
        last_local[slot] = false;
        recovered(slot_route[slot]);
        cancel(slot);
        return 1;
    case verdict::stalled:
        last_error[slot] = ETIMEDOUT;
        last_local[slot] = false;
        break;
    case verdict::failed:
        last_error[slot] = transfer->GetOSErr();
        last_local[slot] = transfer->LocalFailure();
        report_failure(*transfer, server, path, local_file);
        if (transfer->ResponseCode() == 404 && !last_local[slot]) {
            std::string key = server + path;
            bool reported = false;
            for (const std::string& seen : files_not_found) reported = reported || seen == key;
            if (!reported) {
                files_not_found.push_back(key);
                __MACIBM_alert(0, "File not found!", key, "", "", 1, kAlertSource, 328);
            }
        }
        break;
    }
    // Rested all the same, so that no caller asks again every frame.
    rest(slot_route[slot]);
    trouble[slot_route[slot]].answered = last_error[slot] == EFBIG || last_local[slot];
    cancel(slot);
    return 2;
}
