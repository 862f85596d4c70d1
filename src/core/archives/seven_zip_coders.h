// What a 7z archive's coders would cost in memory, read from its headers
// before the decoder sees them: the decoder allocates whatever dictionary a
// coder names (7z allows 1.5 GiB, and a small archive can name it), so the
// archive, not this program, would decide how much memory an unpacking takes.
#pragma once

#include <cstdint>
#include <cstdio>

// The most dictionary (LZMA, LZMA2) or model memory (PPMd) one coder may
// ask for: twice what the release tool writes (LZMA with 32 MiB).
constexpr uint64_t kMax7zCoderBytes = uint64_t{64} << 20;

// What an archive of a release holds: one file behind BCJ2 and three LZMA
// coders, which is one folder of four coders over four pack streams.  The
// counts a header claims are held to these before anything is sized by
// them, with room for archives of a few files made otherwise; past them
// the archive is damaged.
constexpr uint64_t kMax7zFolders = 16;
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
// left at 0.
int check_7z_coders(FILE* archive);
