// One OpenGL texture made from one image: a PNG, BMP or DDS file (or a
// built-in resource), or the in-memory picture in `scratch_array`.  It owns
// the GL name, knows its sizes, format and video memory, and is shared by
// reference count; the texture manager creates and deletes it.  It is also
// a thread-pool task, so a pool thread with a shared context could load it.
#pragma once

#include <atomic>
#include <string>

#include "core/threads/threadpool.h"

class TEX_obj;

// What a load does when it gets no image.
enum tex_fail_mode {
    tex_fail_silent = 0,    // nothing
    tex_fail_scenery = 1,   // counted and logged
    tex_fail_aircraft = 2,  // counted and logged
    tex_fail_instl = 3,     // counted and logged
    tex_fail_fatal = 4,     // fatal alert naming the file
};

// When a load runs; every caller loads at once (2).
enum tex_load_time { tex_load_0 = 0, tex_load_1 = 1, tex_load_now = 2 };

// Load flags: colour code in 0x7 (1 RGB, 2 RGBA, 3 alpha, 4 RGB or the
// file's alpha, 5 RGBA unless the file has none, 6 depth, 7 BGRA), then:
enum {
    tex_mipmaps = 0x8,
    tex_nearest = 0x10,
    tex_clamp_st = 0x100,
    tex_clamp_s = 0x200,
    tex_half_float = 0x400,
    tex_sized = 0x800,
    tex_exact_size = 0x1000,     // no power-of-two rounding or check
    tex_quiet_size = 0x2000,     // no "not a power of 2" warning
    tex_double_res = 0x4000,
    tex_half_res = 0x8000,
    tex_full_res = 0x10000,      // ignore the texture-resolution setting
    tex_into_scratch = 0x20000,  // decode into and upload from scratch_array
    tex_flags_max = 0x3FFFF,
};

// Adjusts a load before it starts; owned by its texture.
class TEX_evaluator {
public:
    virtual ~TEX_evaluator() = default;
    virtual void adjust_load(std::string& path, float& scale) = 0;
    TEX_obj* owner = nullptr;
};

class TEX_obj : public UTL_pool_task {
public:
    TEX_obj(int tex_id, const std::string& path, int flags, tex_fail_mode fail);
    ~TEX_obj() override;
    TEX_obj(const TEX_obj&) = delete;
    TEX_obj& operator=(const TEX_obj&) = delete;

    // The whole pipeline; true when an image was uploaded.  A failed load
    // leaves a 2 x 2 placeholder that binds the blank texture.
    bool load();
    // Binds this texture, or the blank one (950) when it has no image.
    void bind(int unit, int mode);

    void retain();
    void release();  // never deletes: the manager does
    bool has_refs();

    void queue_load(UTL_threadpool* pool);
    bool do_it() override;
    const char* get_debug_name() override;

    void change_path(const std::string& new_path, tex_fail_mode new_fail);
    void replace_evaluator(TEX_evaluator* e);
    void nuke_all_refs();

    static int total_texes();
    static int loaded_texes();

    std::string path;
    std::atomic<int> tex_id;  // GL name; 0 before the first upload
    int dx_vis = 0, dy_vis = 0;
    int dx_tot = 0, dy_tot = 0;
    int vram = 0;  // bytes; 0 means no image could be loaded
    unsigned int format;
    int flags;
    tex_fail_mode fail;
    std::atomic<int> loaded{0};
    std::atomic<int> queued{0};
    std::atomic<int> refs{1};
    std::atomic<TEX_evaluator*> evaluator{nullptr};

private:
    bool fail_load();
    bool counted_ = false;  // in loaded_texes_ctr
};

// Objects in existence, and objects loaded with an image at least once.
extern std::atomic<int> loaded_texes_ctr;

// Scale of a load (mode 1 the in-memory picture, 2 a file) from the
// resolution setting, the flags, the GPU's limit and `max_scale`; fills
// the visible and the allocated (power-of-two) sizes.
float TEX_get_scale(std::string path, int flags, float max_scale, int dx, int dy, int* dx_vis,
                    int* dy_vis, int* dx_tot, int* dy_tot, int mode);
// A number as the texture alerts show it ("%1.0f", "%f", "ref=%6.0f").
std::string TEX_alert_number(const char* format, double value);

// A texture side from 1 to 2048 passes; anything else is a fatal alert
// (and false, should the alert return).
bool check_dxy(int value, std::string path);
