// The single-string command-line parser takes any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/text/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);
    // These end the program by design.
    for (const char* exits : {"--cmnds", "--version", "-h", "--help"})
        if (line.find(exits) != std::string::npos) return 0;
    if (line.find('\0') != std::string::npos) return 0;
    UTL_cmdline parsed;
    parsed.init_win(line.c_str());
    parsed.get_option("--lang");
    return 0;
}
