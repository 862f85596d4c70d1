// What a 7z archive's coders would cost in memory, read from its headers
// before the decoder sees them: the decoder allocates whatever dictionary a
// coder names (up to 4 GiB, and a small archive can name it), so the
// archive, not this program, would decide how much memory an unpacking takes.
#pragma once

#include <cstdint>
#include <cstdio>

// A coder's dictionary (LZMA, LZMA2) or model memory (PPMd) is held to what
// 7zz itself names for the data its folder decodes.  7zz cuts the memory its
// preset or its -md asks for to the next step at or above the data (2^n or
// 3*2^n; for PPMd, the power of two at or above sixteen times the data), and
// past that names what was asked, up to all that the format can say (3840
// MiB for LZMA, 4 GiB for LZMA2 and PPMd, measured with 7zz 26.02).  Read
// from a pipe, whose size it cannot know, it names the preset's own: 256 MiB
// at most (-mx=9), over however few bytes.  Past both, the archive asks for
// more than its data could need.  What decoding holds resident stays within
// the data decoded either way (the decoder touches its dictionary as it
// fills it); the bound keeps the address space an archive can reserve near
// its data, eight unpackers at a time.
constexpr uint64_t kMin7zCoderAllowance = uint64_t{256} << 20;
// The dictionary or model memory a coder of `method` (its id in the
// header) may ask for over a folder of `data` bytes.
uint64_t seven_zip_coder_allowance(uint64_t method, uint64_t data);

// What an archive holds: a release's file is one folder of four coders
// (BCJ2 and three LZMA) over four pack streams; a non-solid archive has a
// folder for each file.  The counts a header claims are held to these
// before anything is sized by them; past them the archive is damaged.
// Folders go with files (kMax7zFiles): the library keeps some hundreds of
// bytes of tables for each, a few MB at the bound.
constexpr uint64_t kMax7zFolders = 4096;
constexpr uint64_t kMax7zCodersInFolder = 4;
// BCJ2's four inputs are the most streams any coder has.
constexpr uint64_t kMax7zCoderStreams = 4;
constexpr uint64_t kMax7zPackStreams = kMax7zFolders * kMax7zCoderStreams;
// A header, plain or unpacked, is held whole.  One of a one-file archive
// takes a few hundred bytes (its name at most 510 of them); this holds the
// header of a hundred files with the longest names.  A packed header may
// claim 64 MiB and more from a few kilobytes on the disk.
constexpr uint64_t kMax7zHeaderBytes = uint64_t{64} << 10;
// 7zz packs a header with LZMA of 1 MiB, and the decoder allocates the
// dictionary that the header's coder names.
constexpr uint64_t kMax7zHeaderCoderBytes = uint64_t{1} << 20;
// Files, and the sub-streams that hold their data (in any one folder and
// in all): the reader sizes its tables by the counts a header claims, tens
// of bytes an entry, before it reads a byte of what they count, while a
// count takes a few bytes of the header and a sub-stream none of its own:
// a header of a hundred bytes could claim gigabytes.  A release's archive
// holds one file; a solid archive of a few hundred files, which the general
// unpacker reads, stays well inside, and a header within its 64 KiB holds
// hardly more files than this (a name, a size, a digest and attributes
// each).
constexpr uint64_t kMax7zFiles = 4096;
constexpr uint64_t kMax7zSubStreams = kMax7zFiles;
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

// Reads the headers of the 7z archive open in `archive`: 0 when they stay
// within the bounds above and the sizes of a folder's files add up to no
// more than the folder; else 20001 (a damaged archive, as is a file that
// does not begin as a 7z archive), with the reason logged.  A packed
// header is decoded to reach the coders it lists.  The file position is
// left at 0.  `memory` receives what decoding will hold resident beyond
// the reader's own buffers: the library decodes one folder at a time, and
// a folder holds each LZMA dictionary as far as its data fills it, each
// PPMd model whole (it grows past its data) and BCJ2's side streams.
int check_7z_coders(FILE* archive, uint64_t& memory);
