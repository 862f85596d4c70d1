// The texture manager: textures by reference number.  1 to 1154 are fixed
// numbers that callers choose (410 the widget sheet, 950 the blank grey
// texture that stands in for any texture not loaded, 447 to 462 the
// background mosaic); 1155 and up are handed out per path and shared by
// everyone who loads that path.
#pragma once

#include <pthread.h>

#include <atomic>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/keyed_hash.h"
#include "gfx/textures/texture_object.h"

constexpr int tman_first_dynamic = 1155;

class tman_class {
public:
    tman_class();
    ~tman_class();
    tman_class(const tman_class&) = delete;
    tman_class& operator=(const tman_class&) = delete;

    // ref 0 asks for a dynamic number (shared by path).  Returns the
    // number, or 0: an empty path, or a fixed number whose load failed (its
    // placeholder stays and binds the blank texture).
    int load_texture(tex_fail_mode fail, int ref, int flags, tex_load_time when, const std::string& path);
    TEX_obj* load_texture_obj(tex_fail_mode fail, int flags, tex_load_time when, const std::string& path);
    // Dynamic numbers: drop one reference; purge_unused_texes deletes.
    void release_texture(int ref);
    // Fixed numbers: delete at once.
    void unload_texture(int ref);
    void purge_unused_texes();
    void bind_ref(int ref, int unit, int mode);
    int ugly_reverse(TEX_obj* obj);

    // The blank grey texture (950); needs a current context.
    void TEX_init();
    // The user's texture-resolution setting as a ratio, 1 to 1/32.
    float scale_rat();
    // The screen's own buffer plus every texture, bytes.
    int tot_vram();

    // Load failures by kind, for the shell's one warning per kind.
    void got_scene_load_fail();
    void got_plane_load_fail();
    void got_instl_load_fail();
    bool has_scene_load_fail();
    bool has_plane_load_fail();
    bool has_instl_load_fail();
    void mute_scene_load_fail();
    void mute_plane_load_fail();
    void mute_instl_load_fail();
    void reset_scene_load_fail();
    void reset_plane_load_fail();
    void reset_instl_load_fail();

    TEX_obj* fetch_ref(int ref);
    TEX_obj* get_known_obj(int ref);
    bool tex_exists(int ref);
    bool tex_loaded(int ref);
    bool tex_err(int ref);
    bool has_alpha(int ref);
    int tex_mode(int ref);
    int tex_vram(int ref);
    float tex_dx_vis(int ref);
    float tex_dy_vis(int ref);
    float tex_dx_tot(int ref);
    float tex_dy_tot(int ref);
    std::string get_path(int ref);

private:
    struct failures {
        std::atomic<int> count{0};
        int muted = 0;
    };
    static bool has_fail(failures& f) { return !f.muted && f.count.load() > 0; }
    static void reset_fail(failures& f) { f.count -= f.count.load(); }

    std::vector<TEX_obj*> refs_;
    // A path may be a file the user's disk names.
    std::unordered_map<std::string, int, keyed_hasher> paths_;
    TEX_obj* blank_ = nullptr;
    failures scene_, plane_, instl_;
    pthread_mutex_t lock_;
};

extern tman_class tman;
