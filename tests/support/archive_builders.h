// Archives for the extraction tests: hostile ones written byte by byte,
// honest ones made with the real zip and 7zz tools, and bombs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace archive_fixtures {

uint32_t crc32_of(const std::string& bytes);

// One stored (uncompressed) zip entry, with everything an attacker controls.
struct zip_entry {
    std::string name;
    std::string data;
    uint32_t external_attrs = 0100644u << 16;  // a Unix regular file, 644
    bool bad_crc = false;
    // When non-zero, the uncompressed size the headers claim.
    uint32_t claimed_size = 0;
};
inline uint32_t unix_link() { return 0120777u << 16; }
inline uint32_t unix_folder() { return 040755u << 16; }

// A whole zip archive of stored entries.
std::string make_zip(const std::vector<zip_entry>& entries);
// `zip`, which ends in its end record without a comment, with `comment` as
// the archive's comment (at most 65,535 bytes), as "zip -z" writes one.
std::string with_comment(std::string zip, const std::string& comment);

// A 7z archive of `files` (name, contents) made by 7zz in a private
// folder: solid LZMA behind the BCJ2 filter, headers not compressed so
// that names can be patched.
std::string make_7z(const std::vector<std::pair<std::string, std::string>>& files);

// Replaces the UTF-16 name `from` by `to` (same length) in the header of an
// uncompressed-header 7z archive and fixes its checksums.
std::string rename_in_7z(std::string archive, const std::string& from, const std::string& to);
// The uncompressed-header 7z archive with its header as `patch` leaves it
// (in place, the same length) and its checksums fixed.
std::string patch_7z_header(std::string archive, const std::function<void(std::string& header)>& patch);

// -- 7z archives written byte by byte ---

// The format's variable-length number: as many leading one bits as bytes follow.
std::string seven_zip_number(uint64_t v);
// The first `at` bytes of `archive` (its start header and packed streams)
// with `header` (plain or packed) after them, and checksums that match.
std::string with_7z_header(std::string archive, size_t at, const std::string& header);

// A folder of a hand-made 7z archive.
struct hand_folder {
    std::string coders;              // as a header lists them: their count, each coder, bindings, packed inputs
    std::vector<std::string> packs;  // its pack streams
    std::vector<uint64_t> sizes;     // each coder's output, in turn
    std::vector<uint64_t> files;     // the sizes of its files, when it holds more than one
};
// A file of it: its name, and its attributes when not 0 (a Unix mode in the high half, with 0x8000);
// an empty one holds no stream, and takes none of a folder's.
struct hand_file {
    std::string name;
    uint32_t attributes = 0;
    bool empty = false;
};
// `folders` and the `files` their data goes to, in turn, in a plain header
// without digests; the header claims `first_pack_claim` bytes for the
// first pack stream, when not 0.
std::string hand_made_7z(const std::vector<hand_folder>& folders, const std::vector<hand_file>& files,
                         uint64_t first_pack_claim = 0);
// An LZMA2 coder as a header lists it, its dictionary 16 MiB.
std::string lzma2_coder();
// An LZMA2 stream of `plain`, ended.
std::string lzma2_of(const std::string& plain);
// LZMA2 chunks of `bytes` zeros (a whole number of 8 MiB), not ended: each
// 8 MiB starts its dictionary afresh, so the chunks add up to gigabytes
// from a few kilobytes in no time.  End it with a zero byte.
std::string lzma2_zeros(uint64_t bytes);

// An LZMA2 stream of `plain` that goes on for `zeros` more zeros past it
// (a whole number of 8 MiB), which libarchive decodes, throwing them away.
std::string lzma2_going_on(const std::string& plain, uint64_t zeros);
// A folder of LZMA2 that claims `plain`, its stream going on for `zeros`.
hand_folder lzma2_folder(const std::string& plain, uint64_t zeros = 0);
// What an LZMA2 stream may hide past 32 KiB of zeros within the bytes a
// claim of 32 KiB could need (seven_zip_packed_room): 296 MiB of zeros in
// 48 KB, which take a good part of a second to decode on any processor,
// and seconds for a few such folders, against the hundredth of a second
// that 32 KiB pays.  (Past a claim nearer 64 KiB, libarchive itself calls
// such a stream damaged: the little room its buffer has left fills
// without a byte of input.)
constexpr unsigned long long kHiddenInRoom = 37ull << 23;
constexpr size_t kRoomyClaim = 32 * 1024;
// A folder of PPMd (order 6, 16 MiB) claiming `bytes` zeros, as 7zz packs
// them, 2,600 to one; claiming `claim` bytes of them when not 0.
hand_folder ppmd_zeros_folder(uint64_t bytes, uint64_t claim = 0);

// `passed` entries of 4 KiB of zeros each in a folder of its own, then
// `file` holding `data` (or, when `solid`, all in one folder), whose LZMA2
// streams go on past what their folders claim: a passed entry's (the one
// folder's) for kGoingOn zeros, which libarchive decodes, throwing them
// away, as it hands over the folder's last bytes.  That takes seconds on
// any processor (8 s on the one measured), far past what the claims allow.
constexpr unsigned long long kGoingOn = 4ull << 30;
std::string going_on_for_gigabytes(const std::vector<hand_file>& passed, const hand_file& file,
                                   const std::string& data, bool solid);

// A gigabyte of zeros (kZerosSize bytes) as the one entry "zeros.bin" of a
// deflated zip (about 1 MB) and of a 7z archive (about 150 KB, LZMA with
// a dictionary of 1 MiB): the paths of large fixtures
// (testing_support::large_fixture).
constexpr unsigned long long kZerosSize = 1ull << 30;
constexpr const char* kZerosMd5 = "cd573cfaace07e7949bc0c46028904ff";
std::string zeros_zip();
std::string zeros_7z();
// The same as the one entry "a.bin" of what 7zz makes of it at its most
// (-mx=9) with `coder` ("LZMA2", "LZMA" or "PPMd"): a large fixture.
std::string zeros_7z_at_most(const std::string& coder);

}  // namespace archive_fixtures
