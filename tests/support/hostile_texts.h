// Texts as a hostile server builds them to make a table quadratic that
// hashes with the standard library's std::hash of a string: libstdc++'s
// _Hash_bytes has a fixed seed, and each step over an 8-byte block
// inverts, so for texts of one length every block may be chosen but one,
// which is solved so that the state after it, and so the whole 64-bit
// hash, is the same for all.  Microseconds a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// `count` texts of one library hash, each `prefix`, up to 7 bytes of 'x'
// that bring it to a multiple of 8, 16 bytes and `suffix`.  The 16 bytes
// are 8 lower-case letters and digits that differ from text to text and 8
// solved ones, none of them a zero byte, a line end, '/' or an upper-case
// letter: each text is a path a manifest may name (if `prefix` and
// `suffix` are), a file name (if they hold no '/'), and its own ASCII-folded
// form.  Checked against std::hash here, so that a library whose hash
// differs fails loudly rather than making ordinary texts.
std::vector<std::string> texts_of_one_library_hash(std::size_t count, const std::string& prefix,
                                                   const std::string& suffix = "");

// `count` ordinary texts of the same shape and length: the 16 bytes are
// the text's number in decimal.
std::vector<std::string> ordinary_texts(std::size_t count, const std::string& prefix,
                                        const std::string& suffix = "");

// The first eight bytes of the text's MD5, read as a number: where a table
// keyed by the MD5 of a path puts it when it hashes the digest by its first
// word, as the scan's stamps once did.  A server searches for paths that
// share it offline, microseconds a path.
std::uint64_t md5_first_word(std::string_view text);

}  // namespace testing_support
