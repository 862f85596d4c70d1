// What the OpenGL driver can do, decided once at start-up: the capability
// flags and extension entry points in `glExt`, the limits and identification
// strings and the two drawing-wide settings in `ren`.
#pragma once

#include <string>

#include "gfx/ogl_entry_points.h"

class OGL_extensions {
public:
    OGL_extensions();

    // Reads the current context's strings and limits; the main window's
    // context must be current.  Logs the capability block to `xer` and stops
    // the program on hardware below the minimum unless "--force_run".
    void init_extensions();
    // A worker's shared context could not be made: threaded GL is off from
    // now on, with one warning per run.
    void threaded_ogl_failed();

    // An entry point may be called only while its family's flag is set.
#define OGL_DECLARE_ENTRY_POINT(type, name) type name;
    OGL_ENTRY_POINTS_BUFFER_OBJECTS(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_PROGRAMS(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_OCCLUSION_QUERIES(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_SHADER_OBJECTS(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_VERTEX_SHADER_ATTRIBUTES(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_GEOMETRY_SHADERS(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_BINDABLE_UNIFORMS(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_FRAMEBUFFER_OBJECTS(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_COMPRESSED_TEXTURES(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_SEPARATE_BLEND_FUNCTION(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_SEPARATE_BLEND_EQUATION(OGL_DECLARE_ENTRY_POINT)
    OGL_ENTRY_POINTS_DRAW_BUFFERS(OGL_DECLARE_ENTRY_POINT)
#undef OGL_DECLARE_ENTRY_POINT

    int multitex_avail, tex_clamp_avail, add_env_avail, combine_avail, dis_fog_avail,
        tex_comp_avail, vbo_avail, pbo_avail, vprog_avail, fprog_avail, automini_avail,
        aniso_avail, fsaa_avail, sprites_avail, depth_tex_avail, occlude_avail,
        shad_objs_avail, vshader_avail, fshader_avail, gshader_avail, buniform_avail,
        glsl_avail, first_gen_shaders, framebuf_avail, sblend_avail, draw_buffers_avail,
        packed_stencil, tex_float_avail, threaded_avail;

    int max_tex_size;
};

extern OGL_extensions glExt;

struct ren_struct {
    float max_aniso;
    int tex_units;        // fixed-function units, at least 1
    int tex_image_units;
    int tex_coord_units;
    // Owned by the driver while the main context lives; "" where the driver
    // gave none.
    const char* gl_vendor;
    const char* gl_renderer;
    const char* gl_version;
    const char* gl_extensions;
    int green_only;      // draw everything in green monochrome
    float global_alpha;  // multiplies every alpha drawn
};

extern ren_struct ren;

// The version string as one number: "2.1.2" gives 210, "1.10" gives 200;
// strings that do not start "%d.%d" go by their first three characters, and
// anything unknown gives 100.
int OGL_version_number(const char* version);

// Name of a GL internal texture format or framebuffer status, else the
// value as "0x%08x".
std::string OGL_get_token_name(unsigned int token);

// The thread layer's view of threaded GL: the capability flag and the
// failure report.  The shell adds its context functions and installs them.
struct THREAD_gl_hooks;
void OGL_fill_thread_gl_hooks(THREAD_gl_hooks& hooks);

// Where the detection asks the driver.  Tests put a driver of their own
// here: glvnd's glXGetProcAddressARB never returns null, so a missing entry
// point can be shown only this way.  Null restores the real driver.
struct ogl_driver_queries {
    const GLubyte* (*get_string)(GLenum name);
    const char* (*glx_client_extensions)();  // of the display of `ogl_win`
    void* (*proc_address)(const char* name);
    void (*get_integer)(GLenum name, GLint* value);
    void (*get_float)(GLenum name, GLfloat* value);
};
void set_ogl_driver_queries(const ogl_driver_queries* queries);
