#include "core/files/resources.h"

#include <dlfcn.h>


namespace {

const char kPrefix[] = "RESOURCE:";
const size_t kPrefixLength = sizeof kPrefix - 1;

void* own_symbols()
{
    static void* self = ::dlopen(nullptr, RTLD_NOW);
    return self;
}

}  // namespace

bool UTL_path_is_resource(std::string& path)
{
    if (path.size() < kPrefixLength || path.compare(0, kPrefixLength, kPrefix) != 0) return false;
    path.erase(0, kPrefixLength);
    return true;
}

const char* UTL_resource_get_memory(const std::string& name, int& size)
{
    void* self = own_symbols();
    if (!self || name.empty()) return nullptr;
    std::string symbol = "_binary_" + name;
    for (size_t i = 8; i < symbol.size(); ++i)
        if (symbol[i] == '.' || symbol[i] == '-') symbol[i] = '_';
    auto start = static_cast<const char*>(::dlsym(self, (symbol + "_start").c_str()));
    auto end = static_cast<const char*>(::dlsym(self, (symbol + "_end").c_str()));
    if (!start || !end || end < start) return nullptr;
    size = static_cast<int>(end - start);
    return start;
}
