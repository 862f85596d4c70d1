#include "core/core_globals.h"

const std::string no_install_name = "Not Yet Scanned";
std::string stl_global;
std::string app_path;
std::string dvd_path;
own_file_stream ouf;
