#include "core/diag/log_stream.h"
#include "core/files/launch_app.h"
#include "shell/save_changes_and_links.h"

void go_to_URL(std::string url)
{
    xer << "Opening: " << url << "\n";
    const int result = open_in_browser(url);
    xer << "Result: " << result << "\n" << std::flush;
}
