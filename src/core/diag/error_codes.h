// Error codes of the file and archive utilities and their texts for the user.
//
// 0 is success; positive values below 20001 are errno values; 20001 and up
// are our own; negative values come through unchanged from the archive
// libraries.  Every code has a text, if only "Error code N".
#pragma once

#include <string>

enum {
    kErrZipOpen = 20001,
    kErrZipShortRead = 20002,
    kErrZipCreate = 20003,
    kErrZipWrite = 20004,
    kErrZipForkTooBig = 20005,
    kErrFileOpenRead = 20006,
    kErrNetReconnect = 20007,
    kErrNetBadState = 20008,
    kErrNetAlloc = 20009,
    kErrNetWriteFile = 20010,
    kErrNetNoServer = 20011,
    kErrZipForkHeader = 20012,
    kErrNotDosExe = 20013,   // no "MZ" at the start of an executable
    kErrNotPeExe = 20014,    // no "PE\0\0" where the DOS header points
};

struct err_msg_pair {
    int code;
    const char* text;
};

// Our own texts and the errno texts worth rewording; ends with {0, nullptr}.
extern const err_msg_pair kErrMsgs[];

// "" for 0, the table's text, else "Error code N".
std::string error_str(int code);
