// Translation tables come from files a translator edits by hand, and every
// text they hold may later pass through the placeholder substitution.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/text/translation.h"
#include "core/files/xmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    xmap_class table;
    table.begin = table.pos = text;
    table.end = text + size;
    table.is_resource = 1;  // the fuzzer's bytes: not ours to unmap
    UTL_translate_clear();
    UTL_translate_add_lines(table);

    std::string whole(text, size);
    str_unescape(whole);
    UTL_translate_string(whole, 0);
    UTL_translate_plural(static_cast<int>(size) - 50, whole, whole);

    std::vector<int> numbers;
    UTL_string_check(whole, numbers);
    std::string a = "first", b = "%1:again%";
    UTL_string_sub(whole, a, b);
    return 0;
}
