#include "core/diag/error_codes.h"

#include <cerrno>

#include "core/text/translation.h"

const err_msg_pair kErrMsgs[] = {
    {20001, "We were unable to open a zip file. It may be missing or damaged"},
    {20002, "We were unable to read from a zip file (short-read error). It may be missing or damaged"},
    {20003, "We were unable to create a zip file"},
    {20004, "We were unable to write to a zip file. It may be missing or damaged"},
    {20005, "We cannot compress a zip file because its source file resource fork is more than 2 GB. The source file is probably damaged"},
    {20006, "We could not open a file to read from it"},
    {20007, "We were unable to connct to the network due to an internal reconnect error"},
    {20008, "We wre unable to connect to the network due to a bad state error"},
    {20009, "We could not allocate a connection to the network"},
    {20010, "We could not write the incoming file from the web to disk"},
    {20011, "We could not find the server over the network"},
    {20012, "Part of the downloaded zip file is corrupted (the resource fork header is bad)"},
    {20015, UTL_TEXT("The unpacked file does not match its MD5 signature. It may be damaged")},
    {20016, UTL_TEXT("We were unable to open a 7z archive. It may be missing or damaged")},
    {20017, UTL_TEXT("We were unable to read from a 7z archive. It may be missing or damaged")},
    {20018, UTL_TEXT("We were unable to write a file unpacked from a 7z archive")},
    {20019, UTL_TEXT("The unpacked file is larger than expected. It may be damaged")},
    {20020, UTL_TEXT("Other users of this computer may change this file, so it is not used")},
    {1, "Operation not permitted. Perhaps you do not have access to a directory or file system"},
    {2, "No such file or directory"},
    {3, "No such process"},
    {4, "Interrupted system call"},
    {5, "Input/output error"},
    {6, "Device not configured"},
    {7, "Argument list too long"},
    {8, "Exec format error"},
    {9, "Bad file descriptor"},
    {10, "No child processes"},
    {11, "Resource temporarily unavailable"},
    {12, "Out of memory"},
    {13, "Permission denied. Perhaps you do not have access to a directory or file system"},
    {14, "Bad address"},
    {16, "Device busy"},
    {17, "File exists"},
    {18, "Cross-device link"},
    {19, "Operation not supported by device"},
    {20, "Not a directory"},
    {21, "Is a directory"},
    {22, "Invalid argument"},
    {23, "Too many open files in system"},
    {24, "Too many open files"},
    {25, "Inappropriate ioctl for device"},
    {27, "File too large"},
    {28, "No space left on device. Perhaps your hard drive is full"},
    {29, "Illegal seek"},
    {30, "The destination file system is read-only"},
    {31, "Too many links"},
    {32, "Broken pipe"},
    {33, "Numerical argument out of domain"},
    {34, "Result too large"},
    {35, "Resource deadlock avoided"},
    {36, "File name too long"},
    {37, "No locks available"},
    {38, "Function not implemented"},
    {39, "Directory not empty"},
    {84, "Wide character encoding error"},
    {0, nullptr},
};

std::string error_str(int code)
{
    if (code == 0) return std::string();
    for (const err_msg_pair* p = kErrMsgs; p->text; ++p)
        if (p->code == code) return p->text;
    return "Error code " + std::to_string(code);
}

std::string error_text(int code) { return UTL_translate_string(error_str(code), 0); }

int seven_zip_error(int code)
{
    switch (code) {
    case kErrZipOpen: return kErr7zOpen;
    case kErrZipShortRead: return kErr7zRead;
    case kErrZipWrite: return kErr7zWrite;
    default: return code;
    }
}

bool is_archive_fault(int code)
{
    return code < 0 || code == kErrLargerThanExpected || code == kErrZipOpen || code == kErrZipShortRead ||
           code == kErrWrongContent || code == kErr7zOpen || code == kErr7zRead;
}
