// Reading the manifest "directory.txt" into sim_info.
//
//   -- Line tokens ---     the field rules of DIR, DISK and FILE lines
//   -- Checks on FILE lines ---   signatures and paths from the server
//   -- What a reading holds ---   counted against a bound of its bytes
//   -- The body ---        a pass to count the files, one over the mapped
//                          bytes, no line copies, then the available sectors
//   -- read_directory ---  the header, then the body
//
// The manifest comes from a download server or a DVD, so it is untrusted:
// paths that could lead outside the destination are dropped here, once,
// rather than in every step that later joins them to dest_dir_path.
#include "engine/manifest.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "core/diag/address_space.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/diag/memory_reserve.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/files/line_tokens.h"
#include "core/files/xmap.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/newer_version_notice.h"

std::set<std::string> deleted_files;

namespace {

// -- Line tokens ---

// One table lookup per byte: the scans below touch every byte of a
// manifest of a million lines.  The table holds the shared helpers' answers,
// so the manifest splits its lines as every other data file does.
enum : unsigned char { kBlank = 1, kLineEnd = 2 };

struct char_classes {
    unsigned char of[256] = {};
    constexpr char_classes()
    {
        for (int c = 0; c < 256; ++c)
            of[c] = static_cast<unsigned char>((is_blank(static_cast<char>(c)) ? kBlank : 0) |
                                               (is_line_end(static_cast<char>(c)) ? kLineEnd : 0));
    }
};
constexpr char_classes kClasses;

bool blank(char c) { return kClasses.of[static_cast<unsigned char>(c)] & kBlank; }
bool line_end(char c) { return kClasses.of[static_cast<unsigned char>(c)] & kLineEnd; }
bool delimiter(char c) { return kClasses.of[static_cast<unsigned char>(c)] != 0; }

struct line_cursor {
    const char* pos;
    const char* end;

    void skip_blanks()
    {
        while (pos < end && blank(*pos)) ++pos;
    }
    void skip_delimiters()
    {
        while (pos < end && delimiter(*pos)) ++pos;
    }
    void skip_to_line_end()
    {
        while (pos < end && !line_end(*pos)) ++pos;
    }
    // The keyword and a blank right after it; the cursor passes the keyword.
    bool keyword(const char* word, std::size_t length)
    {
        if (static_cast<std::size_t>(end - pos) <= length) return false;
        if (std::memcmp(pos, word, length) != 0 || !blank(pos[length])) return false;
        pos += length;
        return true;
    }
    // Every character up to the next delimiter counts as a digit, as the
    // program has always read these files; the value saturates instead of
    // overflowing, whatever a server sends.
    int integer()
    {
        skip_blanks();
        bool negative = false;
        if (pos < end && *pos == '-') negative = true, ++pos;
        if (pos < end && *pos == '+') ++pos;
        std::int64_t value = 0;
        for (; pos < end && !delimiter(*pos); ++pos) {
            value = value * 10 + (*pos - '0');
            if (value > INT_MAX) value = INT_MAX;
            if (value < -INT_MAX) value = -INT_MAX;
        }
        return static_cast<int>(negative ? -value : value);
    }
    // [first, last) of the next word; empty at the line end.
    void word(const char*& first, const char*& last)
    {
        skip_blanks();
        first = pos;
        while (pos < end && !delimiter(*pos)) ++pos;
        last = pos;
    }
    // [first, last) of the rest of the line, blanks at its end included.
    void rest_of_line(const char*& first, const char*& last)
    {
        skip_blanks();
        first = pos;
        skip_to_line_end();
        last = pos;
    }
};

bool contains(const char* first, const char* last, std::string_view needle)
{
    return std::string_view(first, last - first).find(needle) != std::string_view::npos;
}

// -- Checks on FILE lines ---

bool is_hex_digit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Only an MD5 text or one of the two markers is a signature: whatever else
// a server sends counts as none, so no later step compares with it, logs it
// as one or builds a name from it.
bool signature_is_valid(const char* first, const char* last)
{
    const std::size_t length = last - first;
    if (length == 4) return std::memcmp(first, "GONE", 4) == 0 || std::memcmp(first, "NONE", 4) == 0;
    if (length != 32) return false;
    for (const char* c = first; c < last; ++c)
        if (!is_hex_digit(*c)) return false;
    return true;
}

// Every step after the reader joins dest_dir_path and the path less its top
// folder: an absolute path, an empty or ".." component, or nothing left
// after the top folder would reach outside the destination or the
// destination itself.  A trailing "/" is not judged here: the reader has its
// own, louder answer for a path that names no file.
const char* unsafe_path_reason(const std::string& path)
{
    if (path.empty()) return "empty path";
    if (path[0] == '/') return "absolute path";
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = path.find('/', start);
        const std::size_t stop = slash == std::string::npos ? path.size() : slash;
        if (stop == start && slash != std::string::npos) return "empty folder name";
        if (stop - start == 2 && path.compare(start, 2, "..") == 0) return "\"..\" in path";
        if (slash == std::string::npos || slash + 1 == path.size()) break;
        start = slash + 1;
    }
    return nullptr;
}

// -- What a reading holds ---

// A block of the heap for `bytes`: the allocator's word before them, and a
// multiple of 16.
std::size_t heap_block(std::size_t bytes) { return (bytes + sizeof(std::size_t) + 15) / 16 * 16; }

constexpr std::size_t kVersionBytes = sizeof(file_version_struct);
constexpr std::size_t kHistoryBytes = sizeof(file_history_struct);
// Lines dropped past this many are counted, not logged one by one: a
// manifest of millions of them would fill the disk with the log.
constexpr std::size_t kDroppedLinesLogged = 100;

// What the work after a reading needs beside the manifest it leaves: a
// reading keeps it free.
room_after_manifest room_kept;

// The address space a manifest may still take: under a limit, what it
// leaves beyond what the program holds now and kManifestRoomForTheRest,
// the free blocks of the heap the reading allocates from counted as room
// (an allocation is served from them first); no bound without a limit, or
// where the program's address space cannot be read (a failed allocation
// then ends the reading).  `mappable`, when given, gets the part of it a
// new mapping can take (a worker's stack): not the heap's free blocks.
std::size_t address_room(std::size_t* mappable = nullptr)
{
    const uint64_t limit = address_space_limit();
    // Under a limit, what work before freed at the top of the heap (a
    // refused reading, the download and unpacking of its manifest, a scan)
    // goes back to the system first: the allocator keeps up to twice its
    // largest block freed there, address space that no stack could take,
    // so the work after a reading would find less room than it had after
    // the first.  Without one there is no room to weigh.
    if (limit) ::malloc_trim(0);
    uint64_t in_use = 0;
    if (!limit || !program_address_space(in_use)) {
        if (mappable) *mappable = SIZE_MAX;
        return SIZE_MAX;
    }
    const auto left = [limit](uint64_t taken) {
        taken += kManifestRoomForTheRest;
        return limit > taken ? static_cast<std::size_t>(std::min<uint64_t>(limit - taken, SIZE_MAX)) : 0;
    };
    if (mappable) *mappable = left(in_use);
    const uint64_t free_heap = heap_room_of_this_thread();
    return left(in_use > free_heap ? in_use - free_heap : 0);
}

// One reading of a manifest's body, into histories and a pool of its own,
// which become the manifest when it is accepted and go with the reading
// when it is not.  The DIR prefix stays in the manifest's own bytes,
// however many lines name it; what the reader keeps (the histories, their
// records, the pooled paths, the versions of the history being read and
// the path being put together) is counted as it grows, before each step
// that grows it, against `limit`, against the `room` a limit on the
// address space left it when it began, and against `after`: what it may
// keep and still leave the work after it the room that work needs.
struct manifest_reading {
    std::unique_ptr<text_pool> texts = std::make_unique<text_pool>();
    std::vector<file_history_struct> histories;
    std::string_view prefix;
    int disk = 0;
    // The versions of the history being read, moved into `histories` in
    // one piece when the next path begins: each history then holds exactly
    // its versions, with no room to spare.
    std::vector<file_version_struct> versions;
    std::string full;  // the path being put together, its room kept
    std::size_t limit = 0;
    std::size_t room = SIZE_MAX;
    std::size_t after = SIZE_MAX;
    std::size_t kept = 0;  // the records of `histories` and the histories moved there
    // The histories whose current version is for this system: those the
    // work after the reading may read or install.
    std::size_t for_this_system = 0;
    std::size_t dropped = 0;
    bool damaged = false;
    bool out_of_room = false;
    // A path that names a folder, not a file: the reading ends on it, and
    // its fatal alert comes once the reading gave back all it took.
    bool names_a_folder = false;

    bool stopped() const { return damaged || out_of_room || names_a_folder; }
    std::size_t held() const
    {
        return kept + versions.capacity() * kVersionBytes + texts->bytes() + full.capacity();
    }
    // What the work after the reading needs for the files read so far and
    // one more, beside room_kept.bytes.
    std::size_t after_per_file() const
    {
        return (for_this_system + 1) * room_kept.per_file + (histories.size() + 1) * room_kept.per_history;
    }
    bool room_for(std::size_t more) const
    {
        return held() + more <= std::min(limit, room) && (after == SIZE_MAX || held() + more + after_per_file() <= after);
    }
    // Whether `more` bytes may be held beside what is; a manifest that
    // needs more than its bound is damaged, one that needs more than the
    // room left here is this process's trouble.
    bool fits(std::size_t more)
    {
        if (room_for(more)) return true;
        if (held() + more <= limit) {
            if (held() + more <= room)
                xer << "Reading the manifest would leave less than the room the work after it needs ("
                    << ((room_kept.bytes + after_per_file()) >> 20) << " MiB), after " << histories.size()
                    << " files.\n";
            else
                xer << "Reading the manifest would hold more than the room the limit on the address space leaves ("
                    << (room >> 20) << " MiB), after " << histories.size() << " files.\n";
            out_of_room = true;
        } else {
            xer << "The manifest is damaged: reading it would hold more than " << limit << " bytes, three times "
                << "its size and " << (kManifestReadingSlack >> 20) << " MiB, after " << histories.size()
                << " files.\n";
            damaged = true;
        }
        return false;
    }
    void drop(const char* reason, const char* first, const char* last)
    {
        if (dropped++ < kDroppedLinesLogged)
            xer << "Manifest line dropped (" << reason << "): \"" << prefix << std::string_view(first, last - first)
                << "\"\n";
    }
    bool finish_history()
    {
        if (versions.empty()) return true;
        if (histories.size() == histories.capacity()) {
            const std::size_t grown = histories.empty() ? 1 : 2 * histories.capacity();
            if (!fits(grown * kHistoryBytes)) return false;
            kept += (grown - histories.capacity()) * kHistoryBytes;
        }
        const std::size_t block = heap_block(versions.size() * kVersionBytes);
        if (!fits(block)) return false;
        histories.emplace_back(versions.begin(), versions.end());
        kept += block;
        for_this_system += suits_target_system(versions.back());
        versions.clear();
        return true;
    }
    bool add(file_version_struct&& version)
    {
        if (versions.size() == versions.capacity() &&
            !fits((versions.empty() ? 1 : 2 * versions.capacity()) * kVersionBytes))
            return false;
        versions.push_back(std::move(version));
        return true;
    }
};

// -- The body ---

bool same_path(std::string_view previous, std::string_view prefix, const char* first, const char* last)
{
    const std::size_t length = last - first;
    return previous.size() == prefix.size() + length && previous.compare(0, prefix.size(), prefix) == 0 &&
           std::memcmp(previous.data() + prefix.size(), first, length) == 0;
}

// False once the manifest is found damaged.
bool read_file_line(line_cursor& in, manifest_reading& reading)
{
    file_version_struct version;
    in.integer();  // its meaning is lost to history; nothing reads it
    const int platform = in.integer();
    version.platform = static_cast<signed char>(platform < 0 ? 0 : platform > 6 ? 6 : platform);
    version.aux_number = in.integer();
    version.download_size = static_cast<float>(in.integer());
    version.installed_size = static_cast<float>(in.integer());
    const char *sig_first, *sig_last, *path_first, *path_last;
    in.word(sig_first, sig_last);
    in.rest_of_line(path_first, path_last);

    // Judged before anything joins, logs or keeps the path: a long DIR
    // line would otherwise cost its length again for every line below it.
    const std::size_t length = reading.prefix.size() + static_cast<std::size_t>(path_last - path_first);
    if (length >= kManifestMaxPath) {
        std::string start(reading.prefix.substr(0, 64));
        start.append(path_first, std::min<std::size_t>(path_last - path_first, 64 - start.size()));
        xer << "The manifest is damaged: it names a path of " << length << " bytes, where a path holds fewer than "
            << kManifestMaxPath << ": \"" << start << "...\"\n";
        reading.damaged = true;
        return false;
    }

    // Files the installer never ships, whatever the manifest says.
    if (contains(path_first, path_last, "900 red terrain") ||
        contains(path_first, path_last, "Earth Orbit Textures"))
        return true;

    // A negative size would make the totals shrink and the disk-space check
    // pass whatever the copy needs.
    if (version.download_size < 0 || version.installed_size < 0) {
        reading.drop("negative size", path_first, path_last);
        return true;
    }
    const bool continues_history = !reading.versions.empty() &&
                                   same_path(reading.versions.back().path.view(), reading.prefix, path_first, path_last);
    if (continues_history) {
        version.path = reading.versions.back().path;
    } else {
        if (length > reading.full.capacity() && !reading.fits(std::max(length, 2 * reading.full.capacity()) + 1))
            return false;
        reading.full.assign(reading.prefix).append(path_first, path_last);
        if (const char* reason = unsafe_path_reason(reading.full)) {
            reading.drop(reason, path_first, path_last);
            return true;
        }
        // `full` keeps the path for the alert; a history never begins with it.
        if (reading.full.back() == '/') {
            reading.names_a_folder = true;
            return false;
        }
        if (!reading.fits(reading.texts->room(reading.full.size()))) return false;
        version.path = pooled_path(*reading.texts, reading.full);
    }
    if (signature_is_valid(sig_first, sig_last)) version.sig_want = std::string_view(sig_first, sig_last - sig_first);
    version.disk = reading.disk;
    int lon_band = 0, lat_band = 0;
    if (is_global_scenery_f(version.path.c_str()) && find_sector(&lon_band, &lat_band, version.path)) {
        version.is_global = 1;
        version.lon_band = static_cast<signed char>(lon_band);
        version.lat_band = static_cast<signed char>(lat_band);
    }

    if (!continues_history && !reading.finish_history()) return false;
    return reading.add(std::move(version));
}

// The FILE lines of a body, each of which may begin a history.
std::size_t count_file_lines(const char* pos, const char* end)
{
    line_cursor in{pos, end};
    std::size_t files = 0;
    for (in.skip_delimiters(); in.pos < in.end; in.skip_delimiters()) {
        files += in.keyword("FILE", 4);
        in.skip_to_line_end();
    }
    return files;
}

// What the manifest offers: the sectors that have a tile (a tile whose
// current version is gone still marks its sector) and whether it holds
// scenery and other files at all.
void fill_available_sectors()
{
    std::memset(stg.avail_sectors, 0, sizeof stg.avail_sectors);
    int scenery = 0, others = 0;
    for (const file_history_struct& history : sim_info) {
        const file_version_struct& current = history.back();
        if (current.is_global) {
            ++scenery;
            stg.avail_sectors[current.lon_band][current.lat_band] = 1;
        } else {
            ++others;
        }
    }
    stg.has_scenery = scenery > 0;
    stg.has_sim_files = others > 0;
}

}  // namespace

namespace {

// kDirectoryRead, kDirectoryDamaged or kDirectoryOutOfMemory; `reading`
// holds what was read.
int read_lines(manifest_reading& reading, const char* pos, const char* end)
{
    const std::size_t bytes = static_cast<std::size_t>(end - pos);
    reading.limit = bytes > (SIZE_MAX - kManifestReadingSlack) / 3 ? SIZE_MAX : 3 * bytes + kManifestReadingSlack;
    // Room for a history a FILE line, made once: grown by doubling, the
    // records of a manifest of millions of files would be held twice over
    // for a moment.
    std::vector<file_history_struct>& histories = reading.histories;
    const std::size_t files = count_file_lines(pos, end);
    if (reading.fits(files * kHistoryBytes)) {
        histories.reserve(files);
        reading.kept = histories.capacity() * kHistoryBytes;
    }
    line_cursor in{pos, end};
    for (in.skip_delimiters(); in.pos < in.end && !reading.stopped(); in.skip_delimiters()) {
        if (in.keyword("DIR", 3)) {
            const char *first, *last;
            in.rest_of_line(first, last);
            reading.prefix = std::string_view(first, last - first);
        } else if (in.keyword("DISK", 4)) {
            reading.disk = in.integer();
        } else if (in.keyword("FILE", 4)) {
            if (!read_file_line(in, reading)) break;
        }
        in.skip_to_line_end();
    }
    if (!reading.stopped()) reading.finish_history();
    if (reading.damaged || reading.names_a_folder) return kDirectoryDamaged;
    if (reading.out_of_room) return kDirectoryOutOfMemory;
    if (reading.dropped > kDroppedLinesLogged)
        xer << (reading.dropped - kDroppedLinesLogged) << " more manifest lines dropped.\n";
    // The room of FILE lines that added to a history, or were dropped, is
    // given back when that can be done within the bound.
    if (histories.capacity() > histories.size() && reading.room_for(histories.size() * kHistoryBytes))
        histories.shrink_to_fit();
    return kDirectoryRead;
}

// read_directory_body, for bytes of which `unmapped` go back to the system
// once the reading is done: the work after it may have their room.
int read_body(const char* pos, const char* end, std::size_t unmapped)
{
    // The manifest before goes first, texts and all: a reading needs no
    // more room than the manifest it reads.
    sim_info.clear();
    int read = kDirectoryOutOfMemory;
    std::string folder;  // a path that names no file, for its alert
    {
        // A reading answers for what it cannot allocate: it takes nothing
        // of the main thread's reserve.
        own_allocation_failures answering;
        try {
            manifest_reading reading;
            std::size_t mappable = 0;
            reading.room = address_room(&mappable);
            // What the reading takes beyond the heap's free blocks, and what
            // those blocks hold still, are both no room for the work after
            // it, which maps what it needs.
            if (room_kept.bytes > 0 && reading.room != SIZE_MAX)
                reading.after = mappable + unmapped < room_kept.bytes ? 0 : reading.room + unmapped - room_kept.bytes;
            const int lines = read_lines(reading, pos, end);
            if (lines == kDirectoryRead) sim_info.replace(std::move(reading.histories), std::move(reading.texts));
            if (reading.names_a_folder) folder.swap(reading.full);
            read = lines;
        } catch (const std::bad_alloc&) {
            // The log stream takes a line it has no room for as a failed
            // write, never a throw.
            xer << "Reading the manifest ran out of memory.\n";
        }
    }
    // A manifest refused, or whose reading failed, gives back all it took
    // with the reading, to the system too: a hostile server's manifest
    // would otherwise leave the heap it grew resident, free but never
    // returned.
    if (read != kDirectoryRead) ::malloc_trim(0);
    fill_available_sectors();
    // Its window draws frames, which may need the main thread's reserve.
    if (!folder.empty())
        __MACIBM_alert(0, "I am reading the directory text file and found a path that has no file!",
                       "This is impossible to download or delete!", "It is:", folder, 2, __FILE__, __LINE__);
    return read;
}

}  // namespace

int read_directory_body(const char* pos, const char* end) { return read_body(pos, end, 0); }

void keep_room_after_manifest_reading(const room_after_manifest& room) { room_kept = room; }

// -- read_directory ---

namespace {

// The size of the regular file at `path`; 0 when there is none, or it
// cannot be opened.
std::size_t regular_file_size(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return 0;
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular ? static_cast<std::size_t>(st.st_size) : 0;
}

}  // namespace

void manifest_out_of_memory_alert(const std::string& path)
{
    __MACIBM_alert(0, UTL_translate_string("The installer ran out of memory.", 0),
                   UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_text(ENOMEM)), path, "", 1,
                   __FILE__, __LINE__);
}

int read_directory(const std::string& path, std::string /*status*/)
{
    deleted_files.clear();
    stg.download_total = stg.install_total = 0.0f;
    stg.files_to_install = stg.files_to_delete = 0;
    sim_info.clear();

    // Mapped, a manifest larger than the room a limit leaves would leave
    // the rest of the program none.
    const std::size_t bytes = regular_file_size(path);
    std::size_t mappable = 0;
    const std::size_t room = address_room(&mappable);
    if (room != SIZE_MAX)
        xer << "The limit on the address space leaves " << (room >> 10) << " KiB for the manifest ("
            << (mappable >> 10) << " KiB of it outside the heap), " << (room_kept.bytes >> 10)
            << " KiB of it for the work after it.\n";
    if (bytes > room) {
        xer << "The manifest " << path << " of " << bytes << " bytes is larger than the room the limit on the "
            << "address space leaves.\n";
        return kDirectoryOutOfMemory;
    }
    if (room_kept.bytes > mappable) {
        xer << "The limit on the address space leaves less room than the work after the manifest needs.\n";
        return kDirectoryOutOfMemory;
    }
    xmap_class manifest;
    // No room to map it is told by the answer, not by a warning of its
    // own, and takes nothing of the main thread's reserve.
    manifest.warn_when_no_room = false;
    {
        own_allocation_failures answering;
        manifest.retry(path);
    }
    if (!manifest.begin) {
        // A file that is there and opens, but whose bytes could not be
        // mapped, found no room in this process's address space.
        if (bytes > 0) {
            xer << "The manifest " << path << " cannot be mapped into memory.\n";
            return kDirectoryOutOfMemory;
        }
        __MACIBM_alert(0, "I tried to read a directory file that does not exist!", "The file is:",
                       path, "", 2, __FILE__, __LINE__);
        return 0;  // only a test's alert returns: no manifest obtained
    }
    static const int versions[] = {840, 900, 0};
    if (!manifest.check_file(kHeaderText, versions, "INSTALLER", nullptr)) {
        // Only a newer version is a reason to get a new installer: an empty
        // file, or one cut off in its header, is a transfer gone wrong.
        if (manifest.header_version > versions[1]) {
            new_format(path);
            return kDirectoryNewerFormat;
        }
        xer << "The manifest " << path << " is empty, cut off or of another kind.\n";
        return kDirectoryDamaged;
    }
    const int read = read_body(manifest.pos, manifest.end, manifest.size());
    if (read == kDirectoryOutOfMemory) xer << "This process has no room left for the manifest.\n";
    return read;
}
