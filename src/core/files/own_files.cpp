#include "core/files/own_files.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "core/diag/log_stream.h"

int open_own_file(const std::string& path, int how, bool names_of_its_own)
{
    place_fault fault;
    const int fd = open_own_file(path, how, fault, names_of_its_own);
    if (fd < 0) {
        const int err = errno;
        xer << "Not writing " << path << ": " << fault.text() << ".\n";
        errno = err;
    }
    return fd;
}

std::string read_own_file_or_none(const std::string& path, size_t most_bytes, const char* what)
{
    std::string text;
    place_fault fault;
    switch (read_own_file(path, most_bytes, text, fault)) {
    case own_read::read:
    case own_read::missing: break;
    case own_read::refused:
    case own_read::failed: xer << "Not reading " << what << " " << path << ": " << fault.text() << ".\n"; break;
    case own_read::too_large: {
        const std::string aside = set_aside(AT_FDCWD, path);
        const int err = errno;
        xer << "Not reading " << what << " " << path << ": it is larger than " << (most_bytes >> 10)
            << " KiB, far more than the program ever writes there; "
            << (aside.empty() ? "it could not be set aside (" + std::string(std::strerror(err)) + ")"
                              : "set aside as " + aside)
            << ", and taken for none.\n";
        break;
    }
    }
    return text;
}
