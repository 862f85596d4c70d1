// The files of the program's own, opened and read as users_own.h says,
// with what stands in the way said in the log: the log itself opens them
// without a word (users_own.h), having nowhere yet to say it.
#pragma once

#include <cstddef>
#include <string>

#include "core/files/users_own.h"

// Opens a file of the program's own for writing as open_own_file with a
// fault does, saying in the log why a file is not written.
int open_own_file(const std::string& path, int how, bool names_of_its_own = false);

// Reads a file read as a program starts (the registry, a preference
// file), which none may end: its text, or "" for anything but a file read
// (read_own_file).  What stands in the way is said in the log, the file
// named as `what` ("the registry of installed copies"); one larger than
// `most_bytes` is set aside as well, so that this run goes on as with
// none and the next finds none.
std::string read_own_file_or_none(const std::string& path, size_t most_bytes, const char* what);
