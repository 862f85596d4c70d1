// What a 7z archive's coders would cost in memory, read from its headers
// before the decoder sees them: the decoder allocates whatever dictionary a
// coder names (7z allows 1.5 GiB, and a small archive can name it), so the
// archive, not this program, would decide how much memory an unpacking takes.
#pragma once

#include <cstdint>
#include <cstdio>

// The most dictionary (LZMA, LZMA2) or model memory (PPMd) one coder may
// ask for: twice what the release tool writes (LZMA with 32 MiB).  Headers
// larger than this are refused too, as they are held whole.
constexpr uint64_t kMax7zCoderBytes = uint64_t{64} << 20;

// Reads the headers of the 7z archive open in `archive`: 0 when every
// coder stays within kMax7zCoderBytes; else 20001 (a damaged archive, as
// is a file that does not begin as a 7z archive), with the reason logged.  A compressed header is decoded, within the same
// bound, to reach the coders it lists.  The file position is left at 0.
int check_7z_coders(FILE* archive);
