// The start-up picture as a mosaic of sixteen 512 x 512 tiles.
//
// The 2048 x 2048 working image fills the whole shared buffer, so it lives
// there only until it is packed into a run-length stream; the tiles are
// then decoded one at a time into a small buffer and uploaded.

#include <GL/gl.h>
#include <pthread.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/maker_site.h"
#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "core/threads/utl_thread.h"
#include "core/files/xmap.h"
#include "gfx/draw/background_and_screenshot.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/gl_state_cache.h"
#include "gfx/images/image_files.h"
#include "gfx/images/image_header_size.h"
#include "gfx/images/image_rle.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/shared_buffers.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/window_link.h"

int back_dx = 0;
int back_dy = 0;
int back_colr = 0;

namespace {

constexpr int mosaic_side = 2048;
constexpr int tile_side = 512;
constexpr int first_tile = 447;
const char* const picture_path = "Resources/bitmaps/intro.png";

// Guards the mosaic while it is built or drawn.  Made on first use by
// either side, so drawing before building never locks an unmade mutex.
pthread_mutex_t* bt_cs()
{
    static pthread_mutex_t cs;
    static const bool first_time = [] {
        UTL_critical_section_create(&cs);
        return true;
    }();
    (void)first_time;
    return &cs;
}

class hold_mosaic {
public:
    hold_mosaic() { UTL_critical_section_lock(bt_cs()); }
    ~hold_mosaic() { UTL_critical_section_unlock(bt_cs()); }
    hold_mosaic(const hold_mosaic&) = delete;
    hold_mosaic& operator=(const hold_mosaic&) = delete;
};

// A picture larger than the working image would be decoded past the end of
// the shared buffer: it is refused from its header.
bool picture_fits(const std::string& path)
{
    xmap_class map(path);
    long long dx = 0, dy = 0;
    if (!map.begin || !TEX_peek_image_size(map.begin, map.size(), dx, dy)) return true;  // the reader decides
    if (dx >= 1 && dy >= 1 && dx <= mosaic_side && dy <= mosaic_side) return true;
    xer << "WARNING: background picture " << path << " is " << dx << " by " << dy
        << " pixels; at most " << mosaic_side << " by " << mosaic_side << " fit.\n";
    return false;
}

void bind_tile(int ref, bool through_cache)
{
    if (through_cache) {
        OGL_setstate(1, 1, 3, 5, 9, 11);
        tman.bind_ref(ref, 0, 0);
    } else if (TEX_obj* obj = tman.get_known_obj(ref)) {
        glBindTexture(GL_TEXTURE_2D, obj->tex_id);
    }
}

}  // namespace

void OGL_make_back_tex()
{
    hold_mosaic hold;
    if (ogl_win->current_window != -1) return;

    std::memset(scratch_array, 0, scratch_array_bytes);
    unsigned char* image = scratch_array;
    TEX_image_desc desc;
    if (!picture_fits(picture_path) || !TEX_load_any(picture_path, image, GL_RGBA, mosaic_side, 0, desc)) {
        __MACIBM_alert(0, "Trying to load a texture that you do not have!",
                       "This smacks of a mis-installed copy of Nimbrel!",
                       "Get a new download from " NIMBREL_MAKER_HOST ". The missing file is:", picture_path,
                       2, __FILE__, __LINE__);
        return;
    }
    back_colr = 0;
    back_dx = desc.dx;
    back_dy = desc.dy;

    unsigned char* stream = nullptr;
    TEX_pack_image_rle(desc, image, mosaic_side, mosaic_side, tile_side, stream);
    if (!stream) return;

    unsigned long long stamp = 0;
    xtim.del_time(&stamp);
    // Off the main thread the state cache is not ours to use.
    const bool through_cache = !THREAD_is_inited() || THREAD_is_main_thread();
    unsigned char* tile = static_cast<unsigned char*>(std::malloc(tile_side * tile_side * 4));
    if (tile) {
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column) {
                const int ref = first_tile + 4 * row + column;
                if (!tman.tex_loaded(ref)) {
                    scratch_dx = scratch_dy = tile_side;
                    tman.load_texture(tex_fail_fatal, ref, 0x192, tex_load_now, "scratch_array-t_tex_back (tile)");
                }
                bind_tile(ref, through_cache);
                TEX_unpack_image_rle(stream, mosaic_side * tile_side * row + tile_side * column,
                                     mosaic_side - tile_side, tile_side, tile_side, tile);
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, tile_side, tile_side, GL_RGBA, GL_UNSIGNED_BYTE, tile);
            }
    }
    std::free(tile);
    std::free(stream);
}

void OGL_plot_back_tex()
{
    hold_mosaic hold;
    const float W = static_cast<float>(ogl_win->screen_width), H = static_cast<float>(ogl_win->screen_height);
    float left, right, bottom, top;
    if (ogl_win->current_window == -1) {
        // The start-up splash: a too-wide picture is cropped on the left, a
        // too-tall one loses at most 512 rows at its top.
        if (W < back_dx) {
            right = W;
            left = W - back_dx;
        } else {
            left = 0;
            right = static_cast<float>(back_dx);
        }
        const float d = std::clamp(back_dy - H, 0.0f, 512.0f);
        top = H + d;
        bottom = top - back_dy;
        if (back_dx < W || back_dy < H) OGL_plot_back_col();
    } else {
        left = ogl_win->layout_offset_x;
        right = left + back_dx;
        bottom = 0;
        top = static_cast<float>(back_dy);
    }

    OGL_setstate(1, 1, 3, ren.global_alpha > 0.99f ? 6 : 5, 9, 11);
    OGL_set_colour(back_colr, 1.0f);
    // A tile holds 512 pixels of the picture; cells past the picture's
    // edge are cut there, with their texture coordinates, so a picture
    // smaller than the working image is drawn at its own size.
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const float cell_x = left + column * tile_side, cell_y = bottom + row * tile_side;
            const float x0 = std::clamp(cell_x, left, right), x1 = std::clamp(cell_x + tile_side, left, right);
            const float y0 = std::clamp(cell_y, bottom, top), y1 = std::clamp(cell_y + tile_side, bottom, top);
            if (x1 <= x0 || y1 <= y0) continue;
            if (!(x1 > 0 && x0 < W && y1 > 0 && y0 < H)) continue;
            const float s0 = (x0 - cell_x) / tile_side, s1 = (x1 - cell_x) / tile_side;
            const float t0 = (y0 - cell_y) / tile_side, t1 = (y1 - cell_y) / tile_side;
            tman.bind_ref(first_tile + 4 * row + column, 0, 0);
            glBegin(GL_QUADS);
            glTexCoord2f(s0, t0);
            glVertex2f(x0, y0);
            glTexCoord2f(s0, t1);
            glVertex2f(x0, y1);
            glTexCoord2f(s1, t1);
            glVertex2f(x1, y1);
            glTexCoord2f(s1, t0);
            glVertex2f(x1, y0);
            glEnd();
        }
}
