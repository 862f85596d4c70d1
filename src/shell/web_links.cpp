#include <sys/wait.h>
#include <cerrno>
#include <unistd.h>

#include "core/diag/log_stream.h"
#include "shell/save_changes_and_links.h"

bool URL_is_safe(const std::string& url)
{
    for (unsigned char c : url)
        if (c == '"' || c == '$' || c == '`' || c == '\\' || c < 0x20 || c == 0x7F) return false;
    return true;
}

void go_to_URL(std::string url)
{
    xer << "Opening: " << url << "\n";
    if (!URL_is_safe(url)) {
        xer << "Refused: the address holds a quote, a dollar sign, a backquote, a backslash or a "
               "control character.\n"
            << std::flush;
        return;
    }
    // The address goes to xdg-open as one argument, never through a shell;
    // the result is a wait status as system() would give it.
    int status = -1;
    const pid_t child = fork();
    if (child == 0) {
        char* const argv[] = {const_cast<char*>("xdg-open"), url.data(), nullptr};
        execvp("xdg-open", argv);
        _exit(127);
    }
    if (child > 0) {
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    xer << "Result: " << status << "\n" << std::flush;
}
