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
// What reading an archive may take of its thread's processor time.  The
// library decodes a folder's packed stream to its end, past the size its
// folder claims, cutting what it makes to nothing, inside the call that
// hands over the folder's last bytes: a folder claiming 4 KiB may hold
// 151 KB of LZMA that decode to a gigabyte of zeros in two seconds, which
// no size it hands over shows.  So the time is weighed: a share of a
// second for the archive, and for each byte the library makes of the
// header and of a folder as the folder is reached (its files' data and
// BCJ2's side streams) many times what the slowest honest data takes.
// Measured through the library with 7zz 26.02's archives at -mx=9, a byte:
// LZMA over noise 50 ns, BZip2 43 ns, LZMA2 over a mixed tile 9 ns, Deflate
// 3 ns; PPMd 0.4 µs over a mixed tile, 1.5 µs over 40 MiB of noise.
// Only processor time counts, the reader's own thread's while it reads, so
// a busy machine or a slow disk refuses no honest archive.
constexpr uint64_t kMax7zDecodeShareNs = 250'000'000;
constexpr uint64_t kMax7zDecodeNsPerByte = 1'000;
constexpr uint64_t kMax7zPpmdDecodeNsPerByte = 16'000;

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

// What reading an archive needs of its header besides memory.
struct seven_zip_reading {
    // The processor time it may take (kMax7zDecodeShareNs): what opening it
    // allows, and what reaching each entry adds, in the order the header
    // lists them, a folder's bytes at its first entry that holds data.  An
    // entry past the list adds nothing.
    uint64_t opening_ns = 0;
    std::vector<uint64_t> entries_ns;
    // Where the pack streams of folders with a PPMd coder lie in the
    // archive, [start, end), in order.
    std::vector<std::pair<uint64_t, uint64_t>> ppmd_streams;
};

// Reads the headers of the 7z archive open in `archive`: 0 when they stay
// within the bounds above, its pack streams within the file, a filter's
// sizes agree, and the sizes of a folder's files add up to no more than the
// folder; else 20001 (a damaged archive, as is a file that does not begin
// as a 7z archive), with the reason logged.  A packed header is decoded
// to reach the coders it lists.  The file position is left at 0.  `need`
// receives what decoding will hold and reserve beyond the reader's own
// buffers, the header included (see the weighing in the source); only an
// empty archive needs nothing.  `reading`, when given, receives the rest
// of what reading it needs.
int check_7z_coders(FILE* archive, unpack_memory_need& need, seven_zip_reading* reading = nullptr);
