// A preference file is plain text that users edit and tools rewrite.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "core/text/preferences.h"
#include "core/files/xmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    xmap_class file;
    file.begin = file.pos = reinterpret_cast<const char*>(data);
    file.end = file.begin + size;
    file.is_resource = 1;  // the fuzzer's bytes: not ours to unmap
    std::map<std::string, std::string> values;
    pref_parse_lines(file, values);
    return 0;
}
