// Global-scenery tiles: which manifest paths are tiles, and the 10-by-10-
// degree sector a tile covers, read from its name ("+40-074.dsf").
#include <cstring>
#include <strings.h>

#include "engine/installer_state.h"
#include "engine/manifest.h"

int is_global_scenery_f(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length < 5 || strcasecmp(path + length - 4, ".dsf") != 0) return 0;
    for (const char* folder : {"Global Scenery/", "/-global overlays-/", "/-global terrain-/",
                               "/default scenery/DSF 820"})
        if (std::strstr(path, folder)) return 1;
    return 0;
}

int find_sector(int* lon_band, int* lat_band, std::string path)
{
    // A lone "/" at the end is looked past, so the name of a/b/ is b/.
    std::size_t search_end = path.size();
    if (path.size() >= 3 && path.back() == '/') --search_end;
    const std::size_t slash = search_end ? path.rfind('/', search_end - 1) : std::string::npos;
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() < 3) return 0;

    // Integer division truncates toward zero, so -91..-99 still lands in
    // band 0: the grid has always been read that way.
    const int latitude = str_to_int(name.substr(0, 3));
    const int longitude = str_to_int(name.substr(3, 4));
    *lat_band = (latitude + 90) / 10;
    *lon_band = (longitude + 180) / 10;
    return *lat_band >= 0 && *lat_band < kLatBands && *lon_band >= 0 && *lon_band < kLonBands;
}

std::string suffix_for_file(int history)
{
    return sim_info[history].back().path.find("Global Scenery") != std::string::npos ? ".7z"
                                                                                      : ".zip";
}
