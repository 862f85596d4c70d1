// The core's shared global objects, built before main and alive until exit.
//
// Globals of the higher subsystems (window state, render state, installer
// state, textures, camera) are defined by those subsystems.
#pragma once

#include <string>

#include "core/files/own_file_stream.h"

// The release name before any manifest or DVD was read.
extern const std::string no_install_name;
// Scratch text for building message lines; main thread only.
extern std::string stl_global;
// Prefix put before every path handed to the system; start-up empties it,
// so relative paths resolve against the working directory.
extern std::string app_path;
// Mount folder of an install DVD, ending in "/"; empty when there is none.
extern std::string dvd_path;
// The data-file writer's stream: one file at a time, main thread only.
extern own_file_stream ouf;
