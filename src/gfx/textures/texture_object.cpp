// Texture objects: life, sharing, binding and the sizing rule of a load.
// The load pipeline itself is in texture_load.cpp.

#include "gfx/textures/texture_object.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "gfx/images/image_layout.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/textures/texture_binding.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_refs.h"

namespace {

std::atomic<int> total_texes_ctr{0};

}  // namespace

std::atomic<int> loaded_texes_ctr{0};

TEX_obj::TEX_obj(int tex_id_, const std::string& path_, int flags_, tex_fail_mode fail_)
    : path(path_), tex_id(tex_id_), format(GL_RGBA), flags(flags_), fail(fail_)
{
    ++total_texes_ctr;
}

TEX_obj::~TEX_obj()
{
    --total_texes_ctr;
    // Only what a successful load counted; placeholders never were.
    if (counted_) --loaded_texes_ctr;
    delete evaluator.exchange(nullptr);
    const GLuint name = static_cast<GLuint>(tex_id.load());
    if (name != 0 && name != tex_ref::blank_grey) {
        glDeleteTextures(1, &name);
        // The bind cache belongs to the main thread's context.
        if (!THREAD_is_inited() || THREAD_is_main_thread()) TEX_reset_bind();
    }
}

void TEX_obj::bind(int unit, int mode)
{
    if (loaded.load() == 1 && vram > 0)
        TEX_bind_ref(tex_id.load(), unit, mode);
    else
        TEX_bind_ref(tex_ref::blank_grey, unit, mode);
}

void TEX_obj::retain()
{
    if (++refs <= 0)
        __MACIBM_alert(0, "Ref count never went positive", "", path, "", 2, __FILE__, __LINE__);
}

void TEX_obj::release()
{
    if (--refs < 0) __MACIBM_alert(0, "Ref count went negative", "", path, "", 2, __FILE__, __LINE__);
}

bool TEX_obj::has_refs() { return refs.load() != 0; }

void TEX_obj::queue_load(UTL_threadpool* pool)
{
    int idle = 0;
    if (!queued.compare_exchange_strong(idle, 1)) return;
    // The pool's reference keeps the object alive until do_it has run.
    ++refs;
    pool->queue_task(this, 0);
}

bool TEX_obj::do_it()
{
    load();
    queued.store(0);
    --refs;
    return false;
}

const char* TEX_obj::get_debug_name() { return path.c_str(); }

void TEX_obj::change_path(const std::string& new_path, tex_fail_mode new_fail)
{
    fail = new_fail;
    path = new_path;
}

void TEX_obj::replace_evaluator(TEX_evaluator* e)
{
    if (e) e->owner = this;
    delete evaluator.exchange(e);
}

void TEX_obj::nuke_all_refs() {}

int TEX_obj::total_texes() { return total_texes_ctr.load(); }

int TEX_obj::loaded_texes() { return loaded_texes_ctr.load(); }

std::string TEX_alert_number(const char* format, double value)
{
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

bool check_dxy(int value, std::string path)
{
    if (value >= 1 && value <= 2048) return true;
    __MACIBM_alert(0, "Trying to create a texture either less than 1 or greater than 2048!", path,
                   "value:", TEX_alert_number("%1.0f", value), 2, __FILE__, __LINE__);
    return false;
}

float TEX_get_scale(std::string path, int flags, float max_scale, int dx, int dy, int* dx_vis,
                    int* dy_vis, int* dx_tot, int* dy_tot, int mode)
{
    float r = tman.scale_rat();
    if (flags & tex_double_res) r = std::min(std::max(r * 2, 0.0f), 1.0f);
    if (flags & tex_half_res) r = std::min(std::max(r / 2, 0.0f), 1.0f);
    float s = (flags & tex_full_res) || mode == 1 ? 1.0f : r;
    if (dx > 0) s = std::max(s, 1.0f / dx);
    if (dy > 0) s = std::max(s, 1.0f / dy);
    // Without a known limit (no detection has run) there is nothing to fit.
    if (glExt.max_tex_size > 0)
        while (s * dx > glExt.max_tex_size || s * dy > glExt.max_tex_size) s *= 0.5f;
    s = std::min(s, max_scale);

    *dx_vis = static_cast<int>(s * dx);
    *dy_vis = static_cast<int>(s * dy);
    *dx_tot = (flags & tex_exact_size) ? *dx_vis : TEX_power_of_two(*dx_vis);
    *dy_tot = (flags & tex_exact_size) ? *dy_vis : TEX_power_of_two(*dy_vis);

    // 0 tells the pipeline to stop, should the fatal alert return.
    for (int value : {dx, dy, *dx_vis, *dy_vis, *dx_tot, *dy_tot})
        if (!check_dxy(value, path)) return 0;
    return s;
}
