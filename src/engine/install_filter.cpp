#include "engine/install_filter.h"

#include "engine/installer_state.h"
#include "engine/manifest.h"

int g_want_sim = 1;
int g_want_global = 1;

void set_install_filter(int want_sim, int want_global)
{
    g_want_sim = want_sim;
    g_want_global = want_global;
}

bool suits_target_system(const file_version_struct& v)
{
    return v.platform == stg.target_os || v.platform == 0 || (v.platform == 6 && stg.target_os == 3);
}

int want_this_f(int history, int version)
{
    const file_version_struct& v = sim_info[history][version];
    if (v.is_global ? !g_want_global : !g_want_sim) return 0;
    return suits_target_system(v);
}

namespace {

bool release_offers(bool scenery_counts)
{
    for (const file_history_struct& history : sim_info) {
        const file_version_struct& v = history.back();
        const bool signed_file = !v.sig_want.empty() && v.sig_want != "GONE" && v.sig_want != "NONE";
        if ((scenery_counts || !v.is_global) && suits_target_system(v) && signed_file) return true;
    }
    return false;
}

}  // namespace

bool release_offers_simulator() { return release_offers(false); }

bool release_offers_files() { return release_offers(true); }

bool tile_unwanted(const file_version_struct& v)
{
    return v.is_global && v.lon_band >= 0 && v.lon_band < kLonBands && v.lat_band >= 0 &&
           v.lat_band < kLatBands && stg.want_sectors[v.lon_band][v.lat_band] == 0;
}

bool plan_removes(const file_version_struct& v) { return v.sig_want == "GONE" || tile_unwanted(v); }

bool file_present(const file_version_struct& v) { return !v.sig_have.empty() && v.sig_have != "NONE"; }

void scenery_take_none()
{
    for (auto& row : stg.want_sectors)
        for (int& wanted : row) wanted = 0;
}

void scenery_take_all()
{
    for (int lon = 0; lon < kLonBands; ++lon)
        for (int lat = 0; lat < kLatBands; ++lat)
            stg.want_sectors[lon][lat] = stg.avail_sectors[lon][lat];
}

void scenery_from_install()
{
    scenery_take_none();
    for (const file_history_struct& history : sim_info) {
        const file_version_struct& v = history.back();
        // An empty sig_have (not checked yet) counts as installed.
        if (v.is_global && v.sig_have != "NONE") stg.want_sectors[v.lon_band][v.lat_band] = 1;
    }
}

void recalc_disk_sizes()
{
    // Thousands of files of a few megabytes each: a float total would drop
    // the small ones once it passes a few gigabytes.
    double download_total = 0, install_total = 0;
    int to_install = 0, to_delete = 0;
    for (std::size_t h = 0; h < sim_info.size(); ++h) {
        const int last = static_cast<int>(sim_info[h].size()) - 1;
        const file_version_struct& v = sim_info[h][last];
        const bool gone = v.sig_want == "GONE";
        const bool sector_wanted = v.is_global && stg.want_sectors[v.lon_band][v.lat_band];
        if (!want_this_f(static_cast<int>(h), last)) continue;
        if (!gone && !v.is_current && (!v.is_global || sector_wanted)) {
            download_total += v.download_size;
            install_total += v.installed_size;
            ++to_install;
        }
        // A gone file is never current after a checksum: one that is there
        // counts.  A gone tile that is current in an unwanted sector meets
        // both rules and counts twice, as the totals always have.
        if (gone && (v.is_current || file_present(v))) ++to_delete;
        if (v.is_global && !sector_wanted && v.is_current) ++to_delete;
    }
    stg.download_total = static_cast<float>(download_total);
    stg.install_total = static_cast<float>(install_total);
    stg.files_to_install = to_install;
    stg.files_to_delete = to_delete;
}

void trim_dest_folder(std::string& path)
{
    const std::size_t slash = path.find('/');
    if (slash != std::string::npos) path.erase(0, slash + 1);
}

int path_has_no_file(std::string path)
{
    return !path.empty() && path.back() == '/';
}
