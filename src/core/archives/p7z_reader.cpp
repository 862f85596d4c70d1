// 7z entries (LZMA, LZMA2, BCJ and BCJ2) through libarchive, which reads the
// archive through our callbacks over an open FILE* and decodes a solid
// block as the entries in it are read.
//
// Result codes.  libarchive's own results are not numbers a user can read,
// and the decoder codes of other 7z readers (1 to 17) would print as errno
// texts, so every failure maps onto the error table, in the archive
// readers' common codes that seven_zip_error words for 7z before a user
// reads them:
//   the archive cannot be opened for reading           errno of fopen
//   not a 7z archive, or its header cannot be read     20001 (20016: cannot be opened)
//   later data that cannot be decoded: truncated,
//     corrupt, CRC mismatch, unsupported coder         20002 (20017: damaged data)
//   the decoder runs out of memory, also once alone,   12 (ENOMEM), logged
//     or its share cannot fit what a limit on the
//     address space leaves the program, or an
//     allocation of this reader's fails
//   a coder asks for more memory than its data could   20001 (20016), before
//     need or claims more than its packed bytes could    the decoder is set up
//     give, a filter's sizes disagree, or a link or
//     BCJ2 side stream claims more than the reader
//     should hold (seven_zip_coders.h)
//   the entries passed over claim more than an honest  20001 (20016), logged
//     archive's, a pack stream holds more than its
//     claim could need, or decoding takes more
//     processor time than what it hands over pays for
//
// The memory decoding holds and the address space it reserves are taken
// from the unpackers' budget before the decoder is set up, and given back
// with the reader (unpack_memory.h).  The log names an unpacking by what
// the caller installs, a tile's destination rather than a temporary copy.

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/archives/archive_reader.h"
#include "core/archives/decoding_purses.h"
#include "core/archives/seven_zip_coders.h"
#include "core/archives/unpack_memory.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"

namespace {

// What is decoded at once for a caller that passes data over.
constexpr size_t kReadBlock = 1 << 20;
// What is read of the archive at once, unless a piece needs more: the
// library's block of 64 KiB, which stays in the processor's cache while
// the library and the caller copy it out (a stored archive read a tenth
// faster than by 1 MiB).  The block it is read into holds the largest
// piece, a PPMd stream's tail (seven_zip_coders.cpp), whole.
constexpr size_t kReadAtOnce = 64 << 10;
constexpr size_t kFileBlock = 96 << 10;
// What the library is handed at a time.  It decodes all it was handed
// before it asks for more, past a folder's claimed end too, so each ask is
// where the time its decoding takes is weighed: 4 KiB of LZMA decode to 35
// MB at most (8,400 to one), in some 60 ms.  A piece never ends within a
// PPMd stream's tail (seven_zip_coders.cpp) nor within a stream's edges
// (below).  A stream whose coder makes less of a byte is handed over in
// pieces as many times larger (pack_stream::piece_scale).
constexpr size_t kHandedAtATime = 4096;
// A pack stream's edges, its first and its last bytes, are handed over as
// pieces of their own.  The library sets a decoder up and ends it only
// there (BZip2 its tables as it reads its stream's first bytes, LZMA2 and
// BZip2 their decoders as they read its end), and a folder pays for that
// by the memory its coders name (kMax7zMemoryNsPerByte), while what the
// library decodes there is held to these few bytes.  The last bytes come
// in one piece too: a coder reads some only past its stream's last output
// (BZip2 its end marker and digest, 10 bytes; LZMA its range coder's last,
// 5; Deflate its last code), and libarchive 3.6.2 makes a folder's last
// block of 64 KiB and leaves those unread where they have not been handed
// over yet (extract_pack_stream ends as its buffer fills); at the next
// folder's first read it decodes them as the old folder's stream, which
// gives nothing, and fails that folder's entry: "Truncated 7-Zip file
// body" (read_stream, archive_read_format_7zip_read_data).
constexpr uint64_t kStreamEdgeBytes = 64;

// Where the pieces end: `bytes` apart, `phase` past each multiple in the
// archive (p7z_set_pieces).
std::atomic<size_t> piece_bytes{kHandedAtATime}, piece_phase{0};

uint64_t clock_ns(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint64_t thread_cpu_ns() { return clock_ns(CLOCK_THREAD_CPUTIME_ID); }
uint64_t wall_ns() { return clock_ns(CLOCK_MONOTONIC); }

// The thread's processor clock is a system call: read as each step, each
// entry's own work and each folder's turn began and ended, it took three
// quarters of a reading of tiny files, and a stored archive's reading read
// it for every piece.  The wall clock is not, and a thread runs no longer
// than the wall clock moves.  So the time since the last charge is charged
// by the wall clock alone while that moved less than a quarter of a
// millisecond since the processor clock was last read; past that, by what
// the processor clock shows since its last reading, or by the wall
// clock's time since the last charge where that is less.  Either is at
// least what was spent since the last charge, and exceeds it by no more
// than the time the thread did not run in it, less than a quarter of a
// millisecond (a step begins by reading the processor clock where the
// caller's own time before it may have been longer).  Whoever the library
// worked for is charged as it turns to another, and as an entry's own
// work begins and ends: what one spends no other pays for.
constexpr uint64_t kLookEveryNs = 250000;

// Why the library's reading was stopped from here.
enum class stopped { no, past_claim, past_time };

// The input stream handed to the reader: the open archive, a block of it
// read at once and handed over a piece at a time, and what the decoding of
// each folder may take (decoding_purses).
struct p7z_stream {
    FILE* file = nullptr;
    std::unique_ptr<char[]> block{new char[kFileBlock]};
    off_t block_at = 0;  // where the block lies in the archive
    size_t filled = 0;   // and what it holds
    size_t asked = 0;    // of what was asked for
    off_t at = 0;        // where the library reads next
    size_t piece = piece_bytes.load(), phase = piece_phase.load();
    decoding_purses purses;
    // What the steps took of the processor, as charged so far (kLookEveryNs).
    uint64_t charged_ns = 0;
    // The processor and the wall clock at the processor clock's last
    // reading, the wall clock where what is not charged yet began, and at
    // the last look.
    uint64_t cpu_read_ns = 0, wall_read_ns = 0, uncharged_from_ns = 0, looked_ns = 0;
    // The folder of the entry the reader is at, whose streams the library
    // reads for it.
    uint32_t folder = seven_zip_reading::kNoFolder;
    seven_zip_reading::pack_stream packed_header;  // the header's own, where it is packed
    bool edge = false;  // whether the last piece held one of a stream's edges
    stopped why = stopped::no;
    uint64_t held = 0, left = 0;  // past_claim: what the stream held and its coder had left to make

    ~p7z_stream()
    {
        if (file) std::fclose(file);
    }
    // A step begins at `wall`: what the caller did since the last is not
    // the reading's, so after a quarter of a millisecond or more, the
    // processor clock is read, and before it, it ran less.
    void step_begins(uint64_t wall = wall_ns())
    {
        if (wall - wall_read_ns >= kLookEveryNs) read_processor_clock(wall);
        uncharged_from_ns = wall;
    }
    void read_processor_clock(uint64_t wall)
    {
        cpu_read_ns = thread_cpu_ns();
        wall_read_ns = wall;
    }
    // What was spent since the last charge, at `wall`, is charged.
    void charge(uint64_t wall)
    {
        uint64_t used = wall - uncharged_from_ns;
        if (wall - wall_read_ns >= kLookEveryNs) {
            const uint64_t cpu_was = cpu_read_ns;
            read_processor_clock(wall);
            used = std::min(used, cpu_read_ns - cpu_was);
        }
        charged_ns += used;
        uncharged_from_ns = wall;
    }

    // Whether the one the library worked for spent no more than it may:
    // looked at `now`, else once in kLookEveryNs.
    bool looked(bool now)
    {
        const uint64_t wall = wall_ns();
        if (!now && wall - looked_ns < kLookEveryNs) return true;
        looked_ns = wall;
        charge(wall);
        if (purses.spent(charged_ns)) return true;
        why = stopped::past_time;
        return false;
    }
    // The library works for `payer` from here, at one of its streams'
    // edges where `at_edge`, an entry's own work over.
    bool working_for(uint32_t payer, bool at_edge)
    {
        const bool turns = payer != purses.payer() || at_edge != purses.at_edge() || purses.entry_working();
        if (!looked(turns)) return false;
        purses.working_for(payer, at_edge);
        return true;
    }
    // The reader reaches an entry of `payer`'s.
    bool entry_reached(uint32_t payer)
    {
        if (!looked(true)) return false;
        purses.entry_reached(payer);
        return true;
    }
};

// A step the reader's caller takes (opening, the next entry, a piece):
// the processor time it takes counts, the caller's own between steps does
// not, nor that of another thread that reads another archive.
class timed_step {
public:
    explicit timed_step(p7z_stream& stream) : stream_(stream) { stream_.step_begins(); }
    ~timed_step() { stream_.charge(wall_ns()); }
    timed_step(const timed_step&) = delete;
    timed_step& operator=(const timed_step&) = delete;

private:
    p7z_stream& stream_;
};

// Where the piece handed over from `at`, which `s` holds or begins past,
// ends: at `end`, but not past `s`, nor into it from outside, so that the
// library holds none of a folder's bytes before it asks for them; its
// first kStreamEdgeBytes, wherever the bounds fall, in a piece of their
// own; and not within its tail (a PPMd stream's, or its last
// kStreamEdgeBytes), before it or at its end.  Whether it is one of the
// stream's edges, those bytes alone, goes to `edge`.
uint64_t end_within(const seven_zip_reading::pack_stream& s, uint64_t at, uint64_t end, bool* edge)
{
    *edge = false;
    if (s.start > at) return std::min(end, s.start);
    if (at == s.start) end = at + kStreamEdgeBytes;
    const uint64_t tail = s.end - std::min(s.end - s.start, std::max(s.tail, kStreamEdgeBytes));
    if (end > tail) end = tail > at ? tail : s.end;
    end = std::min(end, s.end);
    *edge = end - at <= kStreamEdgeBytes && (at == s.start || end == s.end);
    return end;
}

// Where the piece handed over from `at` ends: at the next of its bounds
// (kHandedAtATime apart), but within the folder's pack stream `s` as
// end_within says, and so within the packed header's: the library keeps
// what it has not decoded of that stream for the first entry's decoder as
// it does a folder's.  The header's edges are no folder's.
uint64_t piece_end(const p7z_stream& in, const seven_zip_reading::pack_stream* s, uint64_t at, bool* edge)
{
    *edge = false;
    const bool within = s && s->start <= at;
    const uint64_t piece = within ? in.piece * s->piece_scale : in.piece;
    const uint64_t end = at + piece - (at + piece - in.phase % piece) % piece;
    if (within) return end_within(*s, at, end, edge);
    bool header_edge;
    const uint64_t header = at < in.packed_header.end ? end_within(in.packed_header, at, end, &header_edge) : end;
    return s ? std::min(header, s->start) : header;
}

// Whether the library may go on reading from `at`, in `in`, to `end`: it
// reads no more of a pack stream than its claim could need, and the one it
// works for, the entry's folder or the header, spends no more than it
// may.  Past either, the reading is stopped.
bool may_read_on(p7z_stream& stream, const seven_zip_reading::pack_stream* in, uint64_t at, bool edge)
{
    if (in && at < in->start) in = nullptr;
    if (in && !stream.purses.holds_only_its_claim(*in, at, &stream.held, &stream.left)) {
        stream.why = stopped::past_claim;
        return false;
    }
    stream.edge = edge;
    return stream.working_for(in ? stream.folder : seven_zip_reading::kNoFolder, edge);
}

la_ssize_t SzFileReadImp(archive* reader, void* stream, const void** buffer)
{
    auto* in = static_cast<p7z_stream*>(stream);
    const uint64_t at = static_cast<uint64_t>(in->at);
    const seven_zip_reading::pack_stream* within = in->purses.stream_from(at, in->folder);
    bool edge;
    const uint64_t end = piece_end(*in, within, at, &edge);
    if (!may_read_on(*in, within, at, edge)) {
        archive_set_error(reader, ECANCELED, "decoding went past what the archive allows");
        return ARCHIVE_FATAL;
    }
    const uint64_t block_end = static_cast<uint64_t>(in->block_at) + in->filled;
    // A block cut short holds the archive's end.
    if (in->at < in->block_at || at >= block_end || (end > block_end && in->filled == in->asked)) {
        in->asked = static_cast<size_t>(std::min<uint64_t>(kFileBlock, std::max<uint64_t>(kReadAtOnce, end - at)));
        ssize_t got;
        do got = ::pread(fileno(in->file), in->block.get(), in->asked, in->at);
        while (got < 0 && errno == EINTR);
        if (got < 0) {
            archive_set_error(reader, errno, "read error");
            return ARCHIVE_FATAL;
        }
        in->block_at = in->at;
        in->filled = static_cast<size_t>(got);
    }
    const size_t from = static_cast<size_t>(in->at - in->block_at);
    const size_t handed = static_cast<size_t>(std::min<uint64_t>(end - at, in->filled - from));
    *buffer = in->block.get() + from;
    in->at += static_cast<off_t>(handed);
    return static_cast<la_ssize_t>(handed);
}

// 64-bit offsets throughout: scenery archives pass 2 GB.  The library skips
// through this too, from where it was handed to.  A seek moves no bytes:
// the library seeks to a folder's pack streams, often within the block.
la_int64_t SzFileSeekImp(archive*, void* stream, la_int64_t offset, int whence)
{
    auto* in = static_cast<p7z_stream*>(stream);
    la_int64_t base = 0;
    struct stat st;
    if (whence == SEEK_CUR) {
        base = in->at;
    } else if (whence == SEEK_END) {
        if (::fstat(fileno(in->file), &st) != 0) return ARCHIVE_FATAL;
        base = st.st_size;
    }
    if (offset < -base || offset > INT64_MAX - base) return ARCHIVE_FATAL;
    in->at = static_cast<off_t>(base + offset);
    return in->at;
}

// Whether the library's last failure was an allocation's: most say so by
// ENOMEM, but a header it could not allocate for only in words.
bool library_out_of_memory(archive* reader)
{
    const char* why = archive_error_string(reader);
    return archive_errno(reader) == ENOMEM || (why && std::strcmp(why, "Couldn't allocate memory") == 0);
}

int decoder_error(archive* reader, int code_otherwise)
{
    return library_out_of_memory(reader) ? ENOMEM : code_otherwise;
}

// Names come out of the archive as UTF-16 and are converted for the current
// locale; in the "C" locale every non-ASCII name would be lost.  The locale
// is changed for this thread only, as unpack workers run side by side, and
// made once for the process: glibc shares its data between threads under
// locks that ThreadSanitizer cannot see.
class utf8_names {
public:
    utf8_names()
    {
        static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (utf8) previous_ = ::uselocale(utf8);
    }
    ~utf8_names()
    {
        if (previous_) ::uselocale(previous_);
    }

private:
    locale_t previous_ = nullptr;
};

class p7z_reader : public archive_reader {
public:
    ~p7z_reader() override { close_decoder(); }

    int open(const std::string& path, const std::string& shown_as)
    {
        shown_as_ = shown_as;
        stream_.file = std::fopen(path.c_str(), "rb");
        if (!stream_.file) {
            FILE_ERR_HERE();
            return errno;
        }
        // Before the decoder allocates what the archive asks for.
        if (int err = check_7z_coders(stream_.file, need_, &reading_)) return err;
        stream_.purses.reset(reading_);
        stream_.packed_header = reading_.packed_header;
        const timed_step step(stream_);
        int err = start(unpack_memory_share::turn::beside_others);
        if (err && out_of_memory()) err = start_again_alone();
        return err;
    }

private:
    // Takes a share and opens a decoder over the archive from its start.
    int start(unpack_memory_share::turn when)
    {
        memory_.reset(new unpack_memory_share(need_, shown_as_, when));
        if (int err = memory_->result()) {  // it could not fit even alone
            FILE_ERR_HERE();
            return err;
        }
        stream_.at = 0;
        reader_ = archive_read_new();
        if (!reader_) {
            FILE_ERR_HERE();
            return ENOMEM;
        }
        archive_read_support_format_7zip(reader_);
        archive_read_set_callback_data(reader_, &stream_);
        archive_read_set_read_callback(reader_, SzFileReadImp);
        archive_read_set_seek_callback(reader_, SzFileSeekImp);
        if (archive_read_open1(reader_) != ARCHIVE_OK) {
            FILE_ERR_HERE();
            return step_failed(kErrZipOpen);
        }
        return 0;
    }

    // The code of a decoder's step that failed: the archive's refusal where
    // the reading was stopped from here, ENOMEM where it ran out of
    // memory, else `code_otherwise`, with the library's reason.  Out of
    // memory again after its try alone, the reading ends here, and the log
    // says what it had.
    int step_failed(int code_otherwise)
    {
        if (stream_.why == stopped::past_claim) {
            FILE_ERR_HERE();
            xer << "A pack stream of " << shown_as_ << " holds " << stream_.held << " bytes more where its coder has "
                << stream_.left << " left to make.\n7z archive refused: a folder's stream holds more than what it "
                   "claims could need.\n";
            return kErrZipOpen;
        }
        if (stream_.why == stopped::past_time) {
            FILE_ERR_HERE();
            const uint32_t payer = stream_.purses.payer();
            xer << "Decoding " << (payer == seven_zip_reading::kNoFolder ? std::string("the header")
                                                                           : "folder " + std::to_string(payer))
                << " of " << shown_as_ << " took more processor time than it paid for ("
                << stream_.purses.last_ns() / 1000 << " µs since the last look, " << stream_.purses.handed(payer)
                << " bytes handed over), past the "
                << stream_.purses.may_owe_ns() / 1000000 << " ms it may owe for what it is making and the "
                << kMax7zSpareNs / 1000000 << " ms spare.\n7z archive refused: decoding it takes longer than "
                   "what it hands over pays for.\n";
            return kErrZipOpen;
        }
        const int err = decoder_error(reader_, code_otherwise);
        const char* why = archive_error_string(reader_);
        if (err == ENOMEM && retried_) {
            xer << "Unpacking " << shown_as_ << " ran out of memory again alone (" << (why ? why : "no reason given")
                << "): " << unpack_memory_share_text(need_) << ".\n";
        } else if (err != ENOMEM) {
            xer << "7z " << (code_otherwise == kErrZipOpen ? "header" : "data") << " of " << shown_as_
                << " unreadable: " << (why ? why : "truncated archive") << ".\n";
        }
        return err;
    }

    void close_decoder()
    {
        if (reader_) archive_read_free(reader_);
        reader_ = nullptr;
        memory_.reset();
    }

    // Whether the decoder's step that just failed may be tried again alone.
    bool out_of_memory() const { return reader_ && !retried_ && library_out_of_memory(reader_); }

    // A decoder that could not reserve its memory may have lost the room to
    // another unpacking, or to another part of the program, after the
    // budget looked.  Once, the reader gives its share back, asks again
    // alone, and decodes again to where it was: each file goes to a new
    // file, so what was handed over is handed over again unchanged.
    // Alone, a decoder that fails again fails for good.
    int start_again_alone()
    {
        retried_ = true;
        xer << "Unpacking " << shown_as_ << " ran out of memory; it tries again alone.\n";
        // What it decodes again, it decodes within what it was allowed.
        stream_.charged_ns = 0;
        stream_.step_begins();
        stream_.purses.reset(reading_);
        close_decoder();
        if (int err = start(unpack_memory_share::turn::alone)) return err;
        archive_entry* entry;
        for (unsigned e = 0; e < entries_; ++e) {
            if ((e > 0 && !decoded_to_the_end(UINT64_MAX)) || header_of(e, &entry) != ARCHIVE_OK) {
                FILE_ERR_HERE();
                return step_failed(kErrZipShortRead);
            }
        }
        // The end read too, where it was, so that the library has nothing
        // left to skip.
        if (!decoded_to_the_end(offset_) || (at_end_ && !decoded_to_the_end(UINT64_MAX))) {
            FILE_ERR_HERE();
            return step_failed(kErrZipShortRead);
        }
        return 0;
    }

    // Decodes and drops `bytes` of the current entry, or all that is left
    // of it (UINT64_MAX): whether they were there.  The library's own skip
    // of an entry in a solid folder loses its place where the entry's size
    // is a multiple of 64 KiB (fixed upstream in 3.7.5), so an entry is
    // never left to it.
    bool decoded_to_the_end(uint64_t bytes)
    {
        for (uint64_t left = bytes; left > 0;) {
            const char* data;
            const la_ssize_t n = taken(&data, std::min<uint64_t>(left, kReadBlock));
            if (n < 0 || (n == 0 && bytes != UINT64_MAX)) return false;
            if (n == 0) return true;
            left -= static_cast<uint64_t>(n);
        }
        return true;
    }

    // Up to `most` bytes of the current entry at `*data`, as the library
    // hands them over a block at a time (each block paid for as it comes,
    // decoding_purses), 0 at its end, or less than 0 where it failed.
    la_ssize_t taken(const char** data, size_t most)
    {
        while (held_ == 0) {
            // The library sets a folder's decoder up before it reads any of
            // the folder's streams, as the entry's own work; once the folder
            // handed over, what it does here is the folder's.
            const bool setting_up = stream_.purses.entry_working() && stream_.purses.payer() == stream_.folder &&
                                    stream_.purses.handed(stream_.folder) == 0;
            if (!setting_up && !stream_.working_for(stream_.folder, stream_.edge)) return -1;
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            const int r = archive_read_data_block(reader_, &block, &size, &offset);
            if (r == ARCHIVE_EOF) return 0;
            if (r < ARCHIVE_WARN) return -1;
            // What making the block took is paid before the block pays in:
            // a piece of 4 KiB may make hundreds of blocks, whose pay would
            // find the purse full before their time was taken from it.
            if (!stream_.working_for(stream_.folder, stream_.edge)) return -1;
            stream_.purses.handed_over(stream_.folder, size);
            held_at_ = static_cast<const char*>(block);
            held_ = size;
        }
        const size_t n = std::min(most, held_);
        *data = held_at_;
        held_at_ += n;
        held_ -= n;
        return static_cast<la_ssize_t>(n);
    }

    // What the caller left of the current entry, read out through the
    // caller's own steps, as a decoder may run out of memory here too.
    // What callers pass over is held to what an honest archive holds there
    // (kMax7zPassedOver), judged by the sizes the header claims before any
    // of it is decoded: an entry of gigabytes passed over would hold an
    // unpacker for minutes.
    int pass_over_rest()
    {
        if (at_end_) return 0;
        const uint64_t rest = claimed_ > offset_ ? claimed_ - offset_ : 0;
        if (rest > kMax7zPassedOver - passed_over_) {
            FILE_ERR_HERE();
            xer << "A 7z entry passed over claims " << rest << " bytes more, after " << passed_over_
                << " bytes passed over.\n7z archive refused: the entries passed over hold more than an honest "
                   "archive's.\n";
            return kErrZipOpen;
        }
        passed_over_ += rest;
        for (size_t got = 1; !at_end_;)
            if (int err = read_data(nullptr, kReadBlock, &got)) return err;
        return 0;
    }

    // The library's header of the entry `e` (counted from 0).  What the
    // library spent before goes to the one it worked for; from here it
    // works on the entry, its fields and name and its folder's decoder set
    // up, which the entry pays for first (decoding_purses), and past that
    // for the entry's folder, which it may decode as it hands the entry
    // over (a link's text), or for the header where the entry holds no data.
    int header_of(unsigned e, archive_entry** entry)
    {
        stream_.folder = e < reading_.entry_folders.size() ? reading_.entry_folders[e] : seven_zip_reading::kNoFolder;
        if (!stream_.entry_reached(stream_.folder)) return ARCHIVE_FATAL;
        held_ = 0;
        return archive_read_next_header(reader_, entry);
    }

    int next_entry(archive_item& item) override
    {
        const timed_step step(stream_);
        return next_header(item);
    }

    int read_piece(char* buffer, size_t size, size_t* got) override
    {
        const timed_step step(stream_);
        return read_data(buffer, size, got);
    }

    int next_header(archive_item& item)
    {
        if (entries_ > 0)
            if (int err = pass_over_rest()) return err;
        archive_entry* entry;
        int r = header_of(entries_, &entry);
        if (r < ARCHIVE_WARN && out_of_memory()) {
            if (int err = start_again_alone()) return err;
            r = header_of(entries_, &entry);
        }
        const bool first = first_header_;
        first_header_ = false;
        // What the last folder's last piece took is weighed too.
        if (r == ARCHIVE_EOF && stream_.looked(true)) return kEndOfArchive;
        if (r == ARCHIVE_EOF) {
            stream_.why = stopped::past_time;
            r = ARCHIVE_FATAL;
        }
        if (r < ARCHIVE_WARN) {
            FILE_ERR_HERE();
            return step_failed(first ? kErrZipOpen : kErrZipShortRead);
        }
        ++entries_;
        offset_ = 0;
        at_end_ = false;
        claimed_ = 0;
        const char* stored = archive_entry_pathname_utf8(entry);
        if (!stored) stored = archive_entry_pathname(entry);
        if (!stored) {
            xer << "7z entry without a readable name.\n";
            FILE_ERR_HERE();
            return kErrZipShortRead;
        }
        item.name = stored;
        switch (archive_entry_filetype(entry)) {
        // 7zz gives a file it read from a pipe (-si) the pipe's mode, and
        // 7zz x writes it as the file it is.
        case AE_IFIFO:
        case AE_IFREG: item.kind = entry_kind::file; break;
        case AE_IFDIR: item.kind = entry_kind::folder; break;
        case AE_IFLNK: item.kind = entry_kind::link; break;
        default: item.kind = entry_kind::other; break;
        }
        item.size = archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0
                        ? static_cast<unsigned long long>(archive_entry_size(entry))
                        : 0;
        claimed_ = item.size;
        item.attrs = extract_attrs();
        return 0;
    }

    // Up to `size` bytes of the current entry into `buffer`, or dropped
    // where it is null.
    int read_data(char* buffer, size_t size, size_t* got)
    {
        *got = 0;
        if (size == 0) return 0;
        const char* data = nullptr;
        la_ssize_t n = taken(&data, size);
        if (n < 0 && out_of_memory()) {
            if (int err = start_again_alone()) return err;
            n = taken(&data, size);
        }
        if (n < 0) {
            FILE_ERR_HERE();
            return step_failed(kErrZipShortRead);
        }
        if (buffer && n > 0) std::memcpy(buffer, data, static_cast<size_t>(n));
        offset_ += static_cast<uint64_t>(n);
        at_end_ = n == 0;
        *got = static_cast<size_t>(n);
        return 0;
    }

    utf8_names names_;
    std::string shown_as_;
    unpack_memory_need need_;
    seven_zip_reading reading_;
    // Given back once the decoder is freed, with the reader.
    std::unique_ptr<unpack_memory_share> memory_;
    p7z_stream stream_;
    archive* reader_ = nullptr;
    bool first_header_ = true;
    bool retried_ = false;
    // Where the reading is: the entries whose headers were read, the bytes
    // of the last of them handed over, the size its header claims, and
    // whether its end was; and what callers passed over before it.
    unsigned entries_ = 0;
    uint64_t offset_ = 0;
    uint64_t claimed_ = 0;
    bool at_end_ = false;
    uint64_t passed_over_ = 0;
    // What the library handed over of the current entry that the caller
    // has not taken yet.
    const char* held_at_ = nullptr;
    size_t held_ = 0;
};

}  // namespace

void p7z_set_pieces(size_t bytes, size_t phase)
{
    piece_bytes = bytes > 0 ? bytes : kHandedAtATime;
    piece_phase = phase;
}

int open_7z_reader(const std::string& path, std::unique_ptr<archive_reader>& out, const std::string& shown_as)
{
    return without_failed_allocations([&] {
        std::unique_ptr<p7z_reader> reader(new p7z_reader);
        if (int err = reader->open(path, shown_as.empty() ? path : shown_as)) return err;
        out = std::move(reader);
        return 0;
    });
}
