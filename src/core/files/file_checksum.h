// The MD5 signature of a file on disk, as the manifest writes it.
#pragma once

#include <cstddef>
#include <string>

// Each thread that checksums files reads them through one block of this
// size, which it keeps for its life.
constexpr std::size_t kChecksumBlockBytes = 256 * 1024;

// 0 and `sum` set to 32 lower-case hexadecimal digits, or 20006 with `sum`
// untouched when the file cannot be read whole: missing, not a regular
// file, a read error, or a size that changed while it was hashed.
int calc_file_md5(const std::string& path, std::string& sum);
// The same for a file already open for reading.
int calc_fd_md5(int fd, std::string& sum);
// The 16 bytes of a digest as 32 lower-case hexadecimal digits.
std::string md5_text(const unsigned char digest[16]);
