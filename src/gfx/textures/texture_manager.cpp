#include "gfx/textures/texture_manager.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

#include "core/diag/frame_clock.h"
#include "core/shell_hooks.h"
#include "core/threads/utl_thread.h"
#include "gfx/shared_buffers.h"
#include "gfx/textures/texture_refs.h"
#include "gfx/window_link.h"

tman_class tman;

namespace {

// Holds the manager's lock for a scope.
class locked {
public:
    explicit locked(pthread_mutex_t* cs) : cs_(cs) { UTL_critical_section_lock(cs_); }
    ~locked() { UTL_critical_section_unlock(cs_); }
    locked(const locked&) = delete;
    locked& operator=(const locked&) = delete;

private:
    pthread_mutex_t* cs_;
};

// Start-up and manual textures whose loads never show the progress line.
bool quiet_ref(int ref)
{
    return ref == 0 || ref == 335 || ref == tex_ref::widget_sheet || ref == tex_ref::blank_grey ||
           (ref >= 447 && ref <= 462);
}

}  // namespace

tman_class::tman_class() { UTL_critical_section_create(&lock_); }

tman_class::~tman_class() { UTL_critical_section_destroy(&lock_); }

int tman_class::load_texture(tex_fail_mode fail, int ref, int flags, tex_load_time when,
                             const std::string& path)
{
    if (path.empty()) return 0;

    static double previous = 0;
    const double now = xtim.microsecs() * 0.000001;
    if (now > previous + 1.0 && when == tex_load_now && path.compare(0, 13, "scratch_array") != 0 &&
        !quiet_ref(ref))
        MACIBM_show_init("Loading bitmap " + path + ".", nullptr);
    previous = now;

    if (when < 0 || when > 2) {
        __MACIBM_alert(0, "Trying to create an invalid texture load_time!", path, "value:",
                       TEX_alert_number("%1.0f", when), 2, __FILE__, __LINE__);
        return 0;
    }
    if (ref < 0 || ref >= tman_first_dynamic) {
        __MACIBM_alert(0, "Trying to bind too low or high a manual_ref!", path, "value:",
                       TEX_alert_number("%1.0f", ref), 2, __FILE__, __LINE__);
        return 0;
    }

    TEX_obj* obj;
    {
        locked hold(&lock_);
        if (ref == 0) {
            auto known = paths_.find(path);
            if (known != paths_.end() && fetch_ref(known->second)) {
                refs_[known->second]->retain();
                return known->second;
            }
            ref = static_cast<int>(std::max<size_t>(refs_.size(), tman_first_dynamic));
            for (int i = static_cast<int>(refs_.size()) - 1; i >= tman_first_dynamic; --i)
                if (!refs_[i]) {
                    ref = i;
                    break;
                }
        }
        if (refs_.size() <= static_cast<size_t>(ref)) refs_.resize(ref + 1, nullptr);
        obj = refs_[ref];
        if (obj) {
            paths_.erase(obj->path);
            obj->change_path(path, fail);
        } else {
            obj = refs_[ref] = new TEX_obj(ref == tex_ref::blank_grey ? tex_ref::blank_grey : 0, path, flags, fail);
        }
        paths_[path] = ref;
    }

    const bool ok = obj->load();
    if (!ok && ref < tman_first_dynamic) return 0;
    return ref;
}

TEX_obj* tman_class::load_texture_obj(tex_fail_mode fail, int flags, tex_load_time when,
                                      const std::string& path)
{
    const int ref = load_texture(fail, 0, flags, when, path);
    return ref ? fetch_ref(ref) : nullptr;
}

void tman_class::release_texture(int ref)
{
    if (ref < tman_first_dynamic) {
        __MACIBM_alert(0, "Trying to release a manual texture - use unload_texture.",
                       TEX_alert_number("%f", ref), get_path(ref), "", 2, __FILE__, __LINE__);
        return;
    }
    TEX_obj* obj = fetch_ref(ref);
    if (!obj) {
        __MACIBM_alert(0, "Trying to release a null texture.", TEX_alert_number("%f", ref), "", "", 2,
                       __FILE__, __LINE__);
        return;
    }
    obj->release();
}

void tman_class::unload_texture(int ref)
{
    if (ref >= tman_first_dynamic) {
        __MACIBM_alert(0, "Error: dynamic textures should be released, not unloaded.", get_path(ref),
                       TEX_alert_number("%f", ref), "", 2, __FILE__, __LINE__);
        return;
    }
    TEX_obj* obj;
    {
        locked hold(&lock_);
        obj = fetch_ref(ref);
        if (!obj) return;
        paths_.erase(obj->path);
        refs_[ref] = nullptr;
        if (obj == blank_) blank_ = nullptr;
    }
    delete obj;
}

void tman_class::purge_unused_texes()
{
    std::vector<TEX_obj*> unused;
    {
        locked hold(&lock_);
        for (size_t i = tman_first_dynamic; i < refs_.size(); ++i)
            if (refs_[i] && !refs_[i]->has_refs()) {
                paths_.erase(refs_[i]->path);
                unused.push_back(refs_[i]);
                refs_[i] = nullptr;
            }
    }
    for (TEX_obj* obj : unused) delete obj;
}

void tman_class::bind_ref(int ref, int unit, int mode)
{
    TEX_obj* obj = fetch_ref(ref);
    if (!obj) {
        __MACIBM_alert(0, "Null texture - how?", "", TEX_alert_number("ref=%6.0f", ref), "", 2, __FILE__,
                       __LINE__);
        return;
    }
    obj->bind(unit, mode);
}

int tman_class::ugly_reverse(TEX_obj* obj)
{
    locked hold(&lock_);
    auto known = paths_.find(obj->path);
    return known == paths_.end() ? -1 : known->second;
}

void tman_class::TEX_init()
{
    std::memset(scratch_array, 0x82, 12);
    scratch_dx = scratch_dy = 2;
    load_texture(tex_fail_silent, tex_ref::blank_grey, 0x81, tex_load_now, "scratch_array-blank_gray");
    blank_ = fetch_ref(tex_ref::blank_grey);
}

float tman_class::scale_rat()
{
    switch (ogl_win->texture_res_setting) {
    case 4: return 0.5f;
    case 3: return 0.25f;
    case 2: return 0.125f;
    case 1: return 0.0625f;
    case 0: return 0.03125f;
    default: return 1.0f;
    }
}

int tman_class::tot_vram()
{
    locked hold(&lock_);
    long long total = static_cast<long long>(ogl_win->screen_width) * ogl_win->screen_height *
                      ogl_win->colour_depth / 8;
    for (TEX_obj* obj : refs_)
        if (obj) total += obj->vram;
    return static_cast<int>(total);
}

void tman_class::got_scene_load_fail() { ++scene_.count; }
void tman_class::got_plane_load_fail() { ++plane_.count; }
void tman_class::got_instl_load_fail() { ++instl_.count; }
bool tman_class::has_scene_load_fail() { return has_fail(scene_); }
bool tman_class::has_plane_load_fail() { return has_fail(plane_); }
bool tman_class::has_instl_load_fail() { return has_fail(instl_); }
void tman_class::mute_scene_load_fail() { scene_.muted = 1; }
void tman_class::mute_plane_load_fail() { plane_.muted = 1; }
void tman_class::mute_instl_load_fail() { instl_.muted = 1; }
void tman_class::reset_scene_load_fail() { reset_fail(scene_); }
void tman_class::reset_plane_load_fail() { reset_fail(plane_); }
void tman_class::reset_instl_load_fail() { reset_fail(instl_); }

TEX_obj* tman_class::fetch_ref(int ref)
{
    locked hold(&lock_);
    if (ref < 0 || static_cast<size_t>(ref) >= refs_.size()) return nullptr;
    return refs_[ref];
}

TEX_obj* tman_class::get_known_obj(int ref) { return fetch_ref(ref); }

bool tman_class::tex_exists(int ref) { return fetch_ref(ref) != nullptr; }

namespace {

// A field of the object under `ref`, or the default when there is none.
template <typename T, typename Read>
T read_or(TEX_obj* obj, T fallback, Read read)
{
    return obj ? read(*obj) : fallback;
}

}  // namespace

bool tman_class::tex_loaded(int ref)
{
    return read_or(fetch_ref(ref), false, [](TEX_obj& o) { return o.loaded.load() == 1; });
}

bool tman_class::tex_err(int ref)
{
    return read_or(fetch_ref(ref), false, [](TEX_obj& o) { return o.loaded.load() == 1 && o.vram == 0; });
}

bool tman_class::has_alpha(int ref)
{
    return read_or(fetch_ref(ref), false, [](TEX_obj& o) {
        switch (o.format) {
        case GL_ALPHA:
        case GL_RGBA:
        case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
        case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT:
        case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT:
            return true;
        default:
            return false;
        }
    });
}

int tman_class::tex_mode(int ref)
{
    return read_or(fetch_ref(ref), 0, [](TEX_obj& o) { return static_cast<int>(o.format); });
}

int tman_class::tex_vram(int ref)
{
    return read_or(fetch_ref(ref), 0, [](TEX_obj& o) { return o.vram; });
}

float tman_class::tex_dx_vis(int ref)
{
    return read_or(fetch_ref(ref), 0.0f, [](TEX_obj& o) { return static_cast<float>(o.dx_vis); });
}

float tman_class::tex_dy_vis(int ref)
{
    return read_or(fetch_ref(ref), 0.0f, [](TEX_obj& o) { return static_cast<float>(o.dy_vis); });
}

float tman_class::tex_dx_tot(int ref)
{
    return read_or(fetch_ref(ref), 0.0f, [](TEX_obj& o) { return static_cast<float>(o.dx_tot); });
}

float tman_class::tex_dy_tot(int ref)
{
    return read_or(fetch_ref(ref), 0.0f, [](TEX_obj& o) { return static_cast<float>(o.dy_tot); });
}

std::string tman_class::get_path(int ref)
{
    return read_or(fetch_ref(ref), std::string(), [](TEX_obj& o) { return o.path; });
}
