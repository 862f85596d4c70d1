// Files built into the program image, named "RESOURCE:" + file name wherever
// a path is accepted.  Each lies between the exported symbols
// _binary_NAME_start and _binary_NAME_end, NAME being the file name with
// '.' and '-' turned into '_'; the build (nimbrel_embed_resources) puts them
// there.
#pragma once

#include <string>

// Strips a leading "RESOURCE:" (exact case) and says so.
bool UTL_path_is_resource(std::string& path);

// The bytes of a built-in file, or null (and `size` untouched) when the
// program holds none of that name.  Never freed.
const char* UTL_resource_get_memory(const std::string& name, int& size);
