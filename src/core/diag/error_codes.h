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
    // A file unpacked whole whose bytes are not those its signature names:
    // a text of its own, as "cannot open a zip file" sent users hunting for
    // an archive that was there all along.
    kErrWrongContent = 20015,
    // The 7z reader's failures, worded for what the user has: 20001, 20002
    // and 20004 speak of zip files.
    kErr7zOpen = 20016,
    kErr7zRead = 20017,
    kErr7zWrite = 20018,
    // An entry that unpacks to more than its file may hold (the manifest's
    // size, the manifest's own bound): the archive's fault.  EFBIG stays
    // the system's, a file system's size limit.
    kErrLargerThanExpected = 20019,
    // A file of an install disk in a place that another user of the
    // machine could change: what it holds is theirs to choose.
    kErrOthersMayChange = 20020,
};

struct err_msg_pair {
    int code;
    const char* text;
};

// Our own texts and the errno texts worth rewording; ends with {0, nullptr}.
extern const err_msg_pair kErrMsgs[];

// "" for 0, the table's text, else "Error code N".
std::string error_str(int code);

// error_str in the user's language, for alerts and questions; the log
// keeps the English of error_str.
std::string error_text(int code);

// A code a 7z unpacking met, with the zip wording of 20001, 20002 and 20004
// turned into the 7z one; any other code as it is.
int seven_zip_error(int code);

// Whether an unpacking failed for what the archive holds (damaged, not the
// file asked for, larger than allowed, other contents than its signature)
// rather than here (the disk, the folder, a limit of this system: errno
// values): another copy of the archive may do, another try at the same one
// will not.
bool is_archive_fault(int code);
