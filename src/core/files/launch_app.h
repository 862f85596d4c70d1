// Starting other programs: handing over to the simulator or to a copy of
// the installer taken off the DVD, and opening web pages in the desktop's
// browser.
#pragma once

#include <string>
#include <vector>

// Starts the program file `app`, passing "-path" and `folder` when `folder`
// is not empty, then ends the installer (after the orderly shut-down when
// `shut_down` is non-zero) with status 1.  Returns only when the program
// cannot be started: with the error number, having logged why.
int launch_app(const std::string& app, const std::string& folder, int shut_down);

// Starts the program file open at `program` (read only: a file still open
// for writing cannot be run) with its name from `shown_as` first and then
// `arguments`, then ends the installer with status 1, as launch_app without
// a folder or the shut-down.  Returns only when it cannot be started.
int launch_program_file(int program, const std::string& shown_as,
                        const std::vector<std::string>& arguments = {});

// Whether `url` may go to the desktop's browser: http or https, and nothing
// a shell or a header would read as more than one address (blanks, control
// characters, quotes, '$', backquotes, backslashes).  Addresses can come from
// a server's list; "file:" or a bare path would make the opener run or show
// anything on the disk.
bool url_is_openable(const std::string& url);

// Starts the desktop's opener (xdg-open, along PATH) on `url` and returns
// as soon as it runs, never waiting for the browser, which gets none of the
// installer's descriptors (the log, the X connection, transfer sockets).
// 0 once it runs; EINVAL for an address that is not openable (logged); else
// the error number of the failed start (ENOENT when there is no opener).
int open_in_browser(const std::string& url);
