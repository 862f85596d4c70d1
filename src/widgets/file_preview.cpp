// stand_io_dialog: the file chooser's background and panes, and the Open
// dialog's preview of aircraft files (the texts of their leading record
// and their icon) and flight-data files (their comment line).
#include <strings.h>

#include <cstring>

#include "core/files/line_tokens.h"
#include "core/files/xmap.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/gl_state_cache.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_refs.h"
#include "widgets/file_chooser.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"

namespace {

constexpr int aircraft_kind = 3;
constexpr int flight_data_kind = 8;
constexpr int no_commands_kind = 20;
constexpr int icon_texture = tex_ref::preview_icon;

// The aircraft file versions the preview reads, 0-ended.
const int veh_versions[] = {700, 740, 8000, 810, 830, 840, 860, 900, 901, 902, 920, 0};
// Where the texts lie in the record, in the order they are shown.
const int text_offsets[] = {1552, 1052, 2052, 1012};

bool contains(const std::string& path, const char* lower, const char* upper)
{
    return path.find(lower) != std::string::npos || path.find(upper) != std::string::npos;
}

// The mapped-file reader takes only paths relative to the program's
// folder with '/' as their only separator, and ends the program for any
// other; such a file is listed but not previewed.
bool previewable(const std::string& path)
{
    return !path.empty() && path[0] != '/' && path.find_first_of("\\:") == std::string::npos;
}

void load_aircraft(const std::string& path)
{
    file_chooser_state& st = file_chooser;
    std::memset(st.top_of_veh, 0, sizeof st.top_of_veh);
    st.has_tex = 0;
    if (!previewable(path)) return;
    xmap_class map(path);
    read_aircraft_record(map, st.top_of_veh);
    st.has_tex = tman.load_texture(tex_fail_silent, icon_texture, 0x10181, tex_load_now,
                                   aircraft_icon_path(path)) != 0;
}

void draw_aircraft()
{
    float y = 405;
    for (const std::string& text : aircraft_texts(file_chooser.top_of_veh))
        y = BTN_text(50, 341, y, text, 200, charset_regular, 0) - 10;
    if (!file_chooser.has_tex) return;
    const float sx = tman.tex_dx_vis(icon_texture) / tman.tex_dx_tot(icon_texture);
    const float ty = tman.tex_dy_vis(icon_texture) / tman.tex_dy_tot(icon_texture);
    OGL_2dquad(icon_texture, 52, 1, 341, 80, 0, 0, 341, 280, 0, ty, 541, 280, sx, ty, 541, 80, sx, 0,
               1, 4);
}

void load_flight_comment(const std::string& path)
{
    file_chooser.comment.clear();
    if (!previewable(path)) return;
    xmap_class map(path);
    file_chooser.comment = read_flight_comment(map);
}

}  // namespace

bool read_aircraft_record(xmap_class& map, unsigned char* record)
{
    if (!map.begin || !map.check_file(kHeaderBinary, veh_versions, nullptr, nullptr)) return false;
    // A short file would take the reader past its end, which is fatal.
    if (map.end - map.pos < BTN_aircraft_record_size) return false;
    map.swap = 0;
    map.read_n_rev(reinterpret_cast<long>(record), BTN_aircraft_record_size);
    return true;
}

std::vector<std::string> aircraft_texts(const unsigned char* record)
{
    std::vector<std::string> texts;
    for (int offset : text_offsets) {
        const unsigned char* start = record + offset;
        const void* nul = std::memchr(start, 0, static_cast<size_t>(BTN_aircraft_record_size - offset));
        const unsigned char* stop =
            nul ? static_cast<const unsigned char*>(nul) : record + BTN_aircraft_record_size;
        texts.emplace_back(reinterpret_cast<const char*>(start), static_cast<size_t>(stop - start));
    }
    return texts;
}

std::string aircraft_icon_path(const std::string& path)
{
    std::string base = path;
    if (base.size() > 4 && base[base.size() - 4] == '.') base.resize(base.size() - 4);
    return base + "_icon.png";
}

std::string read_flight_comment(xmap_class& map)
{
    static const int versions[] = {1, 0};
    if (!map.begin || !map.check_file(kHeaderText, versions, nullptr, nullptr)) return std::string();
    while (!map.TXT_at_end()) {
        map.TXT_skip_blanks();
        const char* field = map.pos;
        while (map.pos < map.end && *map.pos != ',' && !is_line_end(*map.pos)) ++map.pos;
        const bool comm = map.pos - field == 4 && strncasecmp(field, "COMM", 4) == 0;
        if (!map.TXT_at_end()) ++map.pos;  // past the comma (or line end) that closed the field
        if (comm) return map.TXT_rest_of_line();
        map.TXT_next_line();
    }
    return std::string();
}

void stand_io_dialog(int open_save, int file_type, std::string path)
{
    file_chooser_state& st = file_chooser;
    OGL_plot_back_col();
    BTN_fillwin(1, 24);
    BTN_frame2(18, 10, 300, 290, 120, "", 1);
    if (open_save != BTN_dialog_open) return;

    if (file_type == aircraft_kind || file_type == flight_data_kind || file_type == no_commands_kind) {
        BTN_frame2(18, 331, 70, 220, 220, "", 1);
        BTN_frame2(18, 331, 300, 220, 120, "", 1);
    }
    if (file_type == aircraft_kind && contains(path, ".acf", ".ACF")) {
        OGL_setstate(1, 1, 3, 4, 9, 11);
        if (path != st.old_path) load_aircraft(path);
        draw_aircraft();
    }
    // Listed without regard to case, so previewed so too, as aircraft are.
    if (file_type == flight_data_kind && contains(path, ".fdr", ".FDR")) {
        if (path != st.old_path) load_flight_comment(path);
        if (!st.comment.empty()) BTN_text(50, 341, 270, st.comment, 200, charset_regular, 0);
    }
    st.old_path = path;
}
