#include "core/diag/fatal_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "core/diag/debug_dumps.h"
#include "core/diag/log_stream.h"
#include "core/diag/memory_report.h"
#include "core/files/own_files.h"
#include "core/files/own_files_folder.h"

std::string alert_position_text(const char* file, int line)
{
    return "(" + std::string(file ? file : "") + " line " + std::to_string(line) + ")";
}

void append_stack_crawl()
{
    // In the folder of the run's own files by its whole name, as the
    // memory report (memory_report.cpp); with none, nothing is written.
    if (own_files_folder().empty()) return;
    const int fd = open_own_file(own_files_folder() + "stack_crawl.txt", O_APPEND);
    if (fd < 0) return;
    if (FILE* crawl = ::fdopen(fd, "a")) {
        UTL_dump_stack(crawl, nullptr, nullptr);
        std::fclose(crawl);
    } else {
        ::close(fd);
    }
}

void UTL_fatal_trace(const std::string& line1, const std::string& line2, const std::string& line3,
                     const std::string& line4, int level, const char* file, int line)
{
    if (level == 2) append_stack_crawl();
    std::puts("N-System Error:");
    std::printf("%s\n\n%s\n\n%s\n\n%s\n\n", line1.c_str(), line2.c_str(), line3.c_str(), line4.c_str());
    std::puts("Sorry.");
    std::fflush(stdout);

    if (level != 1 && level != 2) return;
    dump_mem_stats("This is the dump_mem_stats call from the following code: "
                   "if(type==t_exit || type == t_alert || recursive_error)");
    xer << "\n" << line1 << "\n" << line2 << "\n" << line3 << "\n" << line4 << "\n"
        << alert_position_text(file, line) << "\n" << std::flush;
}
