// A preference file is plain text that users edit and tools rewrite.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "core/preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    std::map<std::string, std::string> values;
    pref_parse_lines(text, text + size, values);
    return 0;
}
