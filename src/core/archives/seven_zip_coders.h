// What a 7z archive's coders would cost in memory, read from its headers
// before the decoder sees them: the decoder allocates whatever dictionary a
// coder names (up to 4 GiB, and a small archive can name it), so the
// archive, not this program, would decide how much memory an unpacking takes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "core/archives/archive_reader.h"
#include "core/archives/unpack_memory.h"

// A coder's dictionary (LZMA, LZMA2) or model memory (PPMd) is held to what
// 7zz itself names for the data its folder decodes.  7zz cuts the memory its
// preset or its -md asks for to the next step at or above the data (2^n or
// 3*2^n; for PPMd, the power of two at or above sixteen times the data), and
// past that names what was asked, up to all that the format can say (3840
// MiB for LZMA, 4 GiB for LZMA2 and PPMd, measured with 7zz 26.02).  Read
// from a pipe, whose size it cannot know, it names the preset's own: 256 MiB
// at most (-mx=9), over however few bytes.  Past both, the archive asks for
// more than its data could need.
constexpr uint64_t kMin7zCoderAllowance = uint64_t{256} << 20;
// The dictionary or model memory a coder of `method` (its id in the
// header) may ask for over a folder of `data` bytes.
uint64_t seven_zip_coder_allowance(uint64_t method, uint64_t data);

// How many bytes an LZMA, LZMA2 or PPMd coder may claim to make of each
// byte its folder has packed.  LZMA can reach about 8,400 to one (its
// longest match, 273 bytes, at saturated probabilities), and 7zz reached
// 7,080 to one with LZMA, 6,851 with LZMA2 and 2,719 with PPMd on 1 GiB of
// zeros at -mx=9; this is twice LZMA's reach.  A claim past it comes from a
// header that lies, and it would earn a dictionary of gigabytes for a few
// bytes.  It also bounds what a coder can be made to decode whatever its
// folder claims: the library decodes a coder's packed stream to its end
// even past the size its folder claims, discarding the excess.
constexpr uint64_t kMax7zExpansion = 16384;

// What an archive holds: a release's file is one folder of four coders
// (BCJ2 and three LZMA) over four pack streams; a non-solid archive has a
// folder for each file.  The counts a header claims are held to these
// before anything is sized by them; past them the archive is damaged.
// Folders go with files (kMax7zFiles): the library keeps some hundreds of
// bytes of tables for each, a few MB at the bound.
constexpr uint64_t kMax7zFolders = 4096;
constexpr uint64_t kMax7zCodersInFolder = 4;
// BCJ2's four inputs are the most streams any coder has; 7-Zip gives every
// coder one output.
constexpr uint64_t kMax7zCoderStreams = 4;
// A coder's properties: 7-Zip's largest take 34 bytes.  The library copies
// them out of the header it holds, so past a bound they would be held
// twice, where the header's bound counts them once.
constexpr uint64_t kMax7zCoderProperties = 64;
constexpr uint64_t kMax7zPackStreams = kMax7zFolders * kMax7zCoderStreams;
// Files, and the sub-streams that hold their data (in any one folder and
// in all): the reader sizes its tables by the counts a header claims, tens
// of bytes an entry, before it reads a byte of what they count, while a
// count takes a few bytes of the header and a sub-stream none of its own:
// a header of a hundred bytes could claim gigabytes.  A release's archive
// holds one file; a non-solid archive of 4096 files, or a solid one, which
// the general unpacker reads, stays within.
constexpr uint64_t kMax7zFiles = 4096;
constexpr uint64_t kMax7zSubStreams = kMax7zFiles;
// An entry's name, in UTF-16 units less its ending zero: no path is
// longer (kMaxLinkTarget, with its zero).  The library converts a name
// whole, to the locale's string and to UTF-8, as it hands the entry over,
// and the reader, the destination and the log copy it again: a longer
// name would be held a handful of times over, where the header's bound
// counts it once.
constexpr uint64_t kMax7zNameUnits = kMaxLinkTarget - 1;
// What the entries a caller passes over may hold in all, by the sizes the
// header claims: the reader decodes them to pass them over (the library's
// own skip loses its place in a solid folder after an entry of a multiple
// of 64 KiB), and an entry of gigabytes would hold an unpacker for
// minutes.  The gate passes over "__MACOSX" entries, which hold some
// kilobytes each but may hold a resource fork of megabytes (17 MiB seen),
// and the general unpacker folders, links and devices, which hold nothing
// of their own: this is what real data decodes to in about a second.
constexpr uint64_t kMax7zPassedOver = uint64_t{64} << 20;
// What decoding may take of its thread's processor time.  The library
// decodes a folder's packed stream to its end, past the size its folder
// claims, cutting what it makes to nothing, inside the call that hands
// over the folder's last bytes: a folder claiming 4 KiB may hold 151 KB
// of LZMA that decode to a gigabyte of zeros in two seconds, which no size
// it hands over shows.  So each folder pays for its own decoding from what
// it hands over, as it hands it over, at a rate four times the slowest
// honest decoding of its coders (below), and what it does not spend it
// keeps only up to kMax7zSavedNs: whatever cheap output came before,
// decoding that hands nothing over is refused within a fraction of a
// second.  No folder pays for another's, nor the header for a folder's.
// Only processor time counts, the reader's own thread's while it reads,
// so a busy machine or a slow disk refuses no honest archive.
constexpr uint64_t kMax7zSavedNs = 50'000'000;
// What any of them may take past what it may, for the archive: a thread's
// processor clock jumps by some milliseconds now and then, which a folder
// of a few bytes could not pay.  A loop that reads it every microsecond
// saw 186 jumps past 1 ms in two minutes, up to 40 ms at once, while the
// sanitizers' tests kept this machine's processors busy (none in quiet
// seconds): the interrupts a thread is interrupted by count as its time.
// On two processors each held by a busy loop, a folder of a thousand
// bytes was charged 63 ms in one look.  The jumps come with the processor
// time a reading spends, so the spare is refilled by a sixteenth of that,
// up to kMax7zSpareNs, and by nothing else: decoding that hands nothing
// over runs out of it at fifteen sixteenths of the pace it takes of a
// processor, however busy the machine and however many entries it has.
constexpr uint64_t kMax7zSpareNs = 150'000'000;
constexpr uint64_t kMax7zSpareShareOfTime = 16;
// What opening an archive takes besides its header (the library's and the
// reader's set-up, its names' conversion with it: 0.1 to 0.5 ms measured,
// 5.5 ms under ThreadSanitizer), and what the library and the reader do for
// each entry they reach besides decoding and its folder's decoders (its
// fields and name: 8 to 60 µs measured, for 4096 entries each alone or in
// one folder, by coder; 190 µs at most under the sanitizers), many times
// over.  That work is no folder's decoding: an entry pays for it from
// this, until its folder's streams are begun, and what it leaves goes
// with it, to no one else.
constexpr uint64_t kMax7zOpeningNs = 30'000'000;
constexpr uint64_t kMax7zEntryNs = 1'000'000;
// The rates, per byte handed over: four times the most one block of 64
// KiB took, measured through the library on 7zz 26.02's archives over
// noise, code and text at every preset, alone and on a core held by a
// busy loop: LZMA over noise 69 ns, BZip2 101 ns on average (and 41 ms
// for the first 64 KiB of each of its blocks, decoded whole), Deflate
// 23 ns, a stored folder under 1 ns, and a filter's pass some nanoseconds.
// A folder pays at the rate of its slowest coder and each filter's besides.
constexpr uint64_t kMax7zCopyNsPerByte = 20;
constexpr uint64_t kMax7zFilterNsPerByte = 20;
constexpr uint64_t kMax7zLzmaNsPerByte = 300;
constexpr uint64_t kMax7zDeflateNsPerByte = 100;
constexpr uint64_t kMax7zBzip2NsPerByte = 500;
// PPMd learns a model as it decodes and takes 0.3 to 1.6 µs a byte while
// the model has room; once the model fills its memory, its allocator
// sweeps the free blocks over and over and a byte takes up to 10 µs with
// 128 MiB (7zz's -mx=9 over 8 MiB of noise), 17 µs with 256 MiB, 22 µs
// with 1 GiB, for seconds before the model starts afresh.  A byte of noise
// at order 64 adds at most 380 bytes to the model, so a model may be full
// only once the folder has handed over a 512th of its memory.
constexpr uint64_t kMax7zPpmdNsPerByte = 8'000;
uint64_t seven_zip_full_ppmd_ns_per_byte(uint64_t model_bytes);
// The library hands a folder's output over from a buffer of 64 KiB, which
// it fills before it hands any over; BZip2 decodes a block of up to 900 KB
// whole before it gives a byte of it.  What the block being made will hand
// over is paid for as it is made.
constexpr uint64_t kMax7zBlockBytes = 64 * 1024;
constexpr uint64_t kMax7zBzip2BlockBytes = 900'000;
// A decoder's dictionary or model costs the kernel its pages when the
// library sets the decoder up and when it ends it with the stream, within
// the folder's first and last blocks: 12.8 ms to free the 130 MiB that a
// 192 MiB dictionary filled, and under AddressSanitizer 17 ms to set that
// dictionary up (its shadow), more when other programs fault pages in at
// the same time.  A folder pays for that, in those blocks, by the memory
// its claim can fill.
constexpr uint64_t kMax7zMemoryNsPerByte = 1;
// Whatever the claim, a decoder's set-up and ending allocate and free all
// the memory its coder names (BZip2 its tables for a block of 900 KB,
// 3.6 MB), which a sanitizer's allocator marks whole: 0.35 ms for BZip2's
// tables under AddressSanitizer, 0.3 ms for an 8 MiB dictionary under
// ThreadSanitizer, 9 ms for a PPMd model of 32 MiB.  The library does
// that only before a folder's streams are begun or as it reads their
// first or last bytes, which it is handed in pieces of their own
// (p7z_reader.cpp): what it does there a folder pays for at
// kMax7zMemoryNsPerByte, once for the set-up and once for the ending, by
// the memory its coders name as far as its claims can fill it: a
// dictionary as far as its coder's claimed output, a model as far as it
// learns of that (kMax7zModelBytesPerByte) and its folder's packed bytes
// can decode to (kMax7zExpansion).  7zz names no more than twice that for
// a dictionary, and for a model more only over zeros, five times at most;
// a dictionary named larger (7zz's preset from a pipe, 256 MiB over a few
// bytes) is one folder's, whose marking the spare takes.  The decoding it
// can do there is held to those few bytes.  Each coder's own state counts
// too: liblzma's LZMA decoder 28 KB, zlib's 39 KB with its window,
// BZip2's 64 KB besides its tables, a PPMd model of 7zz's least, 64 KiB.
constexpr uint64_t kMax7zBzip2TableBytes = 4 * kMax7zBzip2BlockBytes;
constexpr uint64_t kMax7zCoderStateBytes = 64 * 1024;
// What a PPMd model may learn of each byte it decodes: noise repeated once
// fills 188 bytes for each at order 32 (7zz's highest), 380 at order 64
// (the library's).
constexpr uint64_t kMax7zModelBytesPerByte = 384;
// The header, plain or unpacked, costs its reading and the library's
// parsing a byte at a time; a packed one its decoding, which the check
// has done once and held to its claim, so it cannot go past it.
constexpr uint64_t kMax7zHeaderNsPerByte = 300;
// What a coder's packed stream may hold past what its claimed output
// needs: noise grows by 2.3 % at most through PPMd and less through the
// other coders, and a stream ends with a few bytes of its range coder.  A
// stream holding more hides data past its claim, which the library would
// decode: it is refused as soon as the library reads there.
uint64_t seven_zip_packed_room(uint64_t output);

// A header, plain or unpacked, is held whole, here and by the library.  Its
// bound is what the counts above allow at their most: each file's name as
// long as a path (in UTF-16) with 64 bytes of times, attributes, size and
// digest; each folder's four coders with their ids, stream counts,
// properties (kMax7zCoderProperties), bindings and sizes in 512 bytes; each
// pack stream's size and digest in 16.  That is 34.5 MiB; a release's
// header takes a few hundred bytes, and 4096 files with names of fifty
// letters some 700 KB.  A packed header is also held to what its
// packed bytes could give (kMax7zExpansion).
constexpr uint64_t kMax7zHeaderBytes =
    kMax7zFiles * (2 * kMaxLinkTarget + 64) + kMax7zFolders * 512 + kMax7zPackStreams * 16;
// 7zz packs a header with LZMA of 1 MiB, and the decoder allocates the
// dictionary that the header's coder names.
constexpr uint64_t kMax7zHeaderCoderBytes = uint64_t{1} << 20;
// Sizes the reader allocates whole at what the header claims, before the
// data behind them has shown whether the claim is true; an LZMA stream of
// 40 KB decodes to 256 MiB of zeros.
//  - A link's text, read into memory while the entry is handed over: a
//    path's length at most (kMaxLinkTarget).
//  - BCJ2's side streams (its calls, its jumps and its range coder's
//    stream), each decoded whole on the first read of its folder.  They
//    are a small part of a program, 3 MiB of calls and 2.6 MiB of jumps in
//    one of 117 MB, and some kilobytes in 50 MB of scenery, which is not
//    code.  This holds a program five times that size; a hostile archive
//    costs at most 32 MiB for its two decoded side streams, and its stored
//    one can be no larger than the archive itself.
constexpr uint64_t kMax7zBcj2SideBytes = uint64_t{16} << 20;

// What reading an archive needs of its header besides memory: how each
// folder pays for its decoding (kMax7zSavedNs) and where its pack streams
// lie.
struct seven_zip_reading {
    static constexpr uint32_t kNoFolder = UINT32_MAX;
    struct folder_purse {
        uint64_t size = 0;       // what it claims to hand over
        uint64_t ns_per_byte = 0;
        // PPMd's rate once its model may be full, and after how many bytes.
        uint64_t full_ns_per_byte = 0;
        uint64_t full_after = UINT64_MAX;
        uint64_t block = kMax7zBlockBytes;  // what it makes before it hands any over
        // What BCJ2's side streams may take, decoded whole before its first byte.
        uint64_t sides_ns = 0;
        // What setting its decoder up or ending it may take (kMax7zMemoryNsPerByte).
        uint64_t memory_ns = 0;
        // And at its streams' edges, by the memory its coders name as far
        // as its claims can fill it.
        uint64_t edge_ns = 0;
    };
    // A pack stream, [start, end) in the archive, of folder `folder`, whose
    // coder claims `output` bytes, the folder's other streams `shared` of
    // the folder's (BCJ2's main stream, calls and jumps); `weighed` when
    // what it holds is judged by what its coder claims; handed over in
    // pieces `piece_scale` times the program's, which its coder makes no
    // more of than of one of LZMA; its last `tail` bytes in one piece
    // (p7z_reader.cpp).
    struct pack_stream {
        uint64_t start = 0, end = 0;
        uint32_t folder = 0;
        bool weighed = false;
        uint64_t output = 0, shared = 0, tail = 0, piece_scale = 1;
    };
    // What reading the header and the entries without data may take.
    uint64_t header_ns = 0;
    std::vector<folder_purse> folders;
    std::vector<pack_stream> packs;  // in order, none empty
    // The packed header's own stream, of no folder; empty where the
    // header is plain.
    pack_stream packed_header = {0, 0, kNoFolder};
    // The folder each entry's data comes from, in the order the header
    // lists them; kNoFolder for an entry without data.
    std::vector<uint32_t> entry_folders;
};

// Reads the headers of the 7z archive open in `archive`: 0 when they stay
// within the bounds above, its pack streams within the file, a filter's
// sizes agree, a folder's BCJ2 streams are laid out as the library decodes
// them, and the sizes of a folder's files add up to no more than the
// folder; else 20001 (a damaged archive, as is a file that does not begin
// as a 7z archive), with the reason logged.  A packed header is decoded
// to reach the coders it lists.  The file position is left at 0.  `need`
// receives what decoding will hold and reserve beyond the reader's own
// buffers, the header included (see the weighing in the source); only an
// empty archive needs nothing.  `reading`, when given, receives the rest
// of what reading it needs.
int check_7z_coders(FILE* archive, unpack_memory_need& need, seven_zip_reading* reading = nullptr);
