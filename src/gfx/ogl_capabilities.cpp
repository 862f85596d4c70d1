// Capability detection: the driver's version, extensions, limits and entry
// points, the command-line switches that turn capabilities off, the log
// block and the minimum-hardware check.
//
// -- Driver queries ---
// -- Version number ---
// -- init_extensions ---
// -- init_extensions, step by step ---
// -- threaded_ogl_failed ---
// -- Token names ---

#include "gfx/ogl_capabilities.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/maker_site.h"
#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "core/text/translation.h"
#include "gfx/glx_platform.h"
#include "gfx/window_link.h"

OGL_extensions glExt;
ren_struct ren = {0, 0, 0, 0, "", "", "", "", 0, 1.0f};

// -- Driver queries ---

namespace {

const char* real_glx_client_extensions() { return glx_client_extensions(ogl_win->x_display); }

const ogl_driver_queries real_driver = {glGetString, real_glx_client_extensions, glx_proc_address,
                                        glGetIntegerv, glGetFloatv};
const ogl_driver_queries* driver = &real_driver;

// A driver may hand back null for any string; the rest of the program
// treats these as text, so null reads as empty.
const char* driver_string(GLenum name)
{
    const GLubyte* s = driver->get_string(name);
    return s ? reinterpret_cast<const char*>(s) : "";
}

int driver_int(GLenum name)
{
    GLint value = 0;
    driver->get_integer(name, &value);
    return value;
}

bool has(const char* haystack, const char* needle) { return std::strstr(haystack, needle) != nullptr; }

bool option(const char* name) { return cmdline.has_option(name) != 0; }

std::string tr(const char* text) { return UTL_translate_string(text, 0); }

}  // namespace

void set_ogl_driver_queries(const ogl_driver_queries* queries)
{
    driver = queries ? queries : &real_driver;
}

// -- Version number ---

int OGL_version_number(const char* version)
{
    // "%d.%d", but a driver's digits never overflow: strtol saturates and
    // the parts are clamped before they are combined.
    if (version) {
        char* end = nullptr;
        const long major = std::strtol(version, &end, 10);
        if (end != version && *end == '.') {
            const char* minor_text = end + 1;
            const long minor = std::strtol(minor_text, &end, 10);
            if (end != minor_text) {
                const long long number = std::clamp(major, -1000000L, 1000000L) * 100LL +
                                         std::clamp(minor, -1000000L, 1000000L) * 10LL;
                return static_cast<int>(number);
            }
        }
    }
    static const struct { const char* text; int number; } known[] = {
        {"1.1", 110}, {"1.2", 120}, {"1.3", 130}, {"1.4", 140}, {"1.5", 150}, {"2.0", 200}, {"2.1", 210}};
    for (const auto& k : known)
        if (version && std::strncmp(version, k.text, 3) == 0) return k.number;
    return 100;
}

// -- init_extensions ---

OGL_extensions::OGL_extensions()
{
    // Every entry point null and every flag 0, except threaded GL, which
    // the driver must first prove it cannot do.
#define OGL_CLEAR_ENTRY_POINT(type, name) name = nullptr;
    OGL_ENTRY_POINTS_BUFFER_OBJECTS(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_PROGRAMS(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_OCCLUSION_QUERIES(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_SHADER_OBJECTS(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_VERTEX_SHADER_ATTRIBUTES(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_GEOMETRY_SHADERS(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_BINDABLE_UNIFORMS(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_FRAMEBUFFER_OBJECTS(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_COMPRESSED_TEXTURES(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_SEPARATE_BLEND_FUNCTION(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_SEPARATE_BLEND_EQUATION(OGL_CLEAR_ENTRY_POINT)
    OGL_ENTRY_POINTS_DRAW_BUFFERS(OGL_CLEAR_ENTRY_POINT)
#undef OGL_CLEAR_ENTRY_POINT
    multitex_avail = tex_clamp_avail = add_env_avail = combine_avail = dis_fog_avail = 0;
    tex_comp_avail = vbo_avail = pbo_avail = vprog_avail = fprog_avail = automini_avail = 0;
    aniso_avail = fsaa_avail = sprites_avail = depth_tex_avail = occlude_avail = 0;
    shad_objs_avail = vshader_avail = fshader_avail = gshader_avail = buniform_avail = 0;
    glsl_avail = first_gen_shaders = framebuf_avail = sblend_avail = draw_buffers_avail = 0;
    packed_stencil = tex_float_avail = 0;
    threaded_avail = 1;
    max_tex_size = 0;
}

namespace {

// One row of the capability table: the version that grants the flag, else
// the extensions that do (either of the two, or both when `need_both`).
struct capability_rule {
    int OGL_extensions::*flag;
    int min_version;  // 0: only the extension string decides
    const char* ext1;
    const char* ext2;
    bool need_both;
};

const capability_rule capability_rules[] = {
    {&OGL_extensions::multitex_avail, 130, "GL_ARB_multitexture", nullptr, false},
    {&OGL_extensions::tex_clamp_avail, 120, "GL_EXT_texture_edge_clamp", "GL_SGIS_texture_edge_clamp", false},
    {&OGL_extensions::add_env_avail, 130, "GL_ARB_texture_env_add", "GL_EXT_texture_env_add", false},
    {&OGL_extensions::combine_avail, 130, "GL_ARB_texture_env_combine", "GL_EXT_texture_env_combine", false},
    {&OGL_extensions::dis_fog_avail, 0, "GL_NV_fog_distance", nullptr, false},
    {&OGL_extensions::tex_comp_avail, 130, "GL_ARB_texture_compression", nullptr, false},
    {&OGL_extensions::vbo_avail, 150, "GL_ARB_vertex_buffer_object", nullptr, false},
    {&OGL_extensions::pbo_avail, 210, "GL_ARB_pixel_buffer_object", nullptr, false},
    {&OGL_extensions::vprog_avail, 0, "GL_ARB_vertex_program", nullptr, false},
    {&OGL_extensions::fprog_avail, 0, "GL_ARB_fragment_program", nullptr, false},
    {&OGL_extensions::automini_avail, 140, "GL_SGIS_generate_mipmap", nullptr, false},
    {&OGL_extensions::aniso_avail, 0, "GL_EXT_texture_filter_anisotropic", nullptr, false},
    {&OGL_extensions::fsaa_avail, 130, "GL_ARB_multisample", nullptr, false},
    {&OGL_extensions::sprites_avail, 200, "GL_ARB_point_sprite", nullptr, false},
    {&OGL_extensions::depth_tex_avail, 140, "GL_ARB_depth_texture", nullptr, false},
    {&OGL_extensions::occlude_avail, 150, "GL_ARB_occlusion_query", nullptr, false},
    {&OGL_extensions::shad_objs_avail, 200, "GL_ARB_shader_objects", nullptr, false},
    {&OGL_extensions::vshader_avail, 200, "GL_ARB_vertex_shader", nullptr, false},
    {&OGL_extensions::fshader_avail, 200, "GL_ARB_fragment_shader", nullptr, false},
    {&OGL_extensions::gshader_avail, 0, "GL_EXT_geometry_shader4", nullptr, false},
    {&OGL_extensions::buniform_avail, 0, "GL_EXT_bindable_uniform", nullptr, false},
    {&OGL_extensions::glsl_avail, 200, "GL_ARB_shading_language_100", nullptr, false},
    {&OGL_extensions::framebuf_avail, 300, "GL_EXT_framebuffer_object", nullptr, false},
    {&OGL_extensions::sblend_avail, 200, "GL_EXT_blend_func_separate", "GL_EXT_blend_equation_separate", true},
    {&OGL_extensions::draw_buffers_avail, 200, "GL_ARB_draw_buffers", nullptr, false},
    {&OGL_extensions::packed_stencil, 300, "GL_EXT_packed_depth_stencil", nullptr, false},
    {&OGL_extensions::tex_float_avail, 300, "GL_ARB_texture_float", nullptr, false},
};

// Fetches one entry point; a missing one is logged and turns its family off,
// though the rest of the family is still fetched.
template <typename Pointer>
void fetch(Pointer& member, const char* name, int& family_flag)
{
    member = reinterpret_cast<Pointer>(driver->proc_address(name));
    if (!member) {
        xer << "WARNING: extension missing proc " << name
            << ".  This is a problem with your video driver.\n";
        family_flag = 0;
    }
}

// -- init_extensions, step by step ---

// What the log block shows beyond the flags.
struct logged_limits {
    int version = 0;
    const char* glx_extensions = "";
    GLint fp_instructions = 0, fp_alu = 0, fp_tex = 0, fp_indirections = 0, vp_instructions = 0;
    int vertex_attribs = 0, vertex_uniforms = 0, varyings = 0, combined_units = 0, vertex_units = 0;
    int fragment_uniforms = 0;
    const char* glsl_version = "n/a";
    GLfloat point_sizes[2] = {0, 0};
};

// A version at or above a row's threshold grants the flag outright; below
// it the extension string decides.
void grant_by_rules(OGL_extensions& e, int version)
{
    const char* ext = ren.gl_extensions;
    for (const capability_rule& rule : capability_rules) {
        int granted;
        if (rule.min_version && version >= rule.min_version)
            granted = 1;
        else if (rule.need_both)
            granted = has(ext, rule.ext1) && has(ext, rule.ext2);
        else
            granted = has(ext, rule.ext1) || (rule.ext2 && has(ext, rule.ext2));
        e.*rule.flag = granted;
    }
}

// What the driver's own strings and the user take away before any entry
// point is fetched.
void adjust_for_driver(OGL_extensions& e, const char* glx_extensions)
{
    // Asked before fetching, so the buffer-object family is not fetched.
    if (option("--disable-vbo")) {
        xer << "VBOs disabled on user's request.\n";
        e.vbo_avail = 0;
    }
    // NVIDIA's GLSL parts without fragment program 2 are of the first generation.
    if (e.glsl_avail && has(ren.gl_vendor, "NVIDIA") && !has(ren.gl_extensions, "GL_NV_fragment_program2"))
        e.first_gen_shaders = 1;
    // A worker's shared context is made current on a pbuffer.
    if (!(has(glx_extensions, "GLX_SGIX_fbconfig") && has(glx_extensions, "GLX_SGIX_pbuffer"))) {
        xer << "Disabling threaded OGL - we need pbuffer support for this.\n";
        e.threaded_avail = 0;
    }
}

// Entry points: each family only while its flag is set at that moment.
void fetch_entry_points(OGL_extensions& e)
{
    auto fetch_family = [](int& flag, auto&& fetch_all) {
        if (flag) fetch_all(flag);
    };
#define OGL_FETCH_ONE(type, name) fetch(e.name, #name, family_flag);
#define OGL_FAMILY(list) [&](int& family_flag) { list(OGL_FETCH_ONE) }
    fetch_family(e.vbo_avail, OGL_FAMILY(OGL_ENTRY_POINTS_BUFFER_OBJECTS));
    fetch_family(e.vprog_avail, OGL_FAMILY(OGL_ENTRY_POINTS_PROGRAMS));
    fetch_family(e.occlude_avail, OGL_FAMILY(OGL_ENTRY_POINTS_OCCLUSION_QUERIES));
    fetch_family(e.shad_objs_avail, OGL_FAMILY(OGL_ENTRY_POINTS_SHADER_OBJECTS));
    fetch_family(e.gshader_avail, OGL_FAMILY(OGL_ENTRY_POINTS_GEOMETRY_SHADERS));
    fetch_family(e.buniform_avail, OGL_FAMILY(OGL_ENTRY_POINTS_BINDABLE_UNIFORMS));
    fetch_family(e.vshader_avail, OGL_FAMILY(OGL_ENTRY_POINTS_VERTEX_SHADER_ATTRIBUTES));
    fetch_family(e.framebuf_avail, OGL_FAMILY(OGL_ENTRY_POINTS_FRAMEBUFFER_OBJECTS));
    fetch_family(e.tex_comp_avail, OGL_FAMILY(OGL_ENTRY_POINTS_COMPRESSED_TEXTURES));
    fetch_family(e.sblend_avail, OGL_FAMILY(OGL_ENTRY_POINTS_SEPARATE_BLEND_EQUATION));
    fetch_family(e.draw_buffers_avail, OGL_FAMILY(OGL_ENTRY_POINTS_DRAW_BUFFERS));
    // Again under sblend_avail: a missing blend-equation function leaves
    // the blend-function one unfetched.
    fetch_family(e.sblend_avail, OGL_FAMILY(OGL_ENTRY_POINTS_SEPARATE_BLEND_FUNCTION));
#undef OGL_FAMILY
#undef OGL_FETCH_ONE
}

void drop_dependent_flags(OGL_extensions& e)
{
    // Pixel buffers are buffer objects too.
    if (e.pbo_avail && !e.vbo_avail) {
        xer << "Disabling PBOs because VBOs are not available.  This probably means that VBOs "
               "are disabled for compatibility reasons.\n";
        e.pbo_avail = 0;
    }
    // What needs what: fragment programs vertex programs, shaders the shader
    // objects, GLSL both shader kinds.
    if (!e.vprog_avail) e.fprog_avail = 0;
    if (!e.shad_objs_avail) e.fshader_avail = 0;
    if (!e.shad_objs_avail) e.vshader_avail = 0;
    if (!e.shad_objs_avail) e.gshader_avail = 0;
    if (!(e.vshader_avail && e.fshader_avail)) e.glsl_avail = 0;
}

// Program limits: a driver with no native instructions has no programs.
void read_program_limits(OGL_extensions& e, logged_limits& l)
{
    if (e.fprog_avail) {
        e.glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB, &l.fp_instructions);
        e.glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB, &l.fp_alu);
        e.glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB, &l.fp_tex);
        e.glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB,
                            &l.fp_indirections);
        if (l.fp_instructions == 0 && !option("--use_fprogs")) e.fprog_avail = 0;
        if (l.fp_instructions <= 99) e.first_gen_shaders = 1;
    }
    if (e.vprog_avail) {
        e.glGetProgramivARB(GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB, &l.vp_instructions);
        if (l.vp_instructions == 0 && !option("--use_vprogs")) e.vprog_avail = 0;
    }
}

// Shader limits, for the log only.
void read_shader_limits(const OGL_extensions& e, logged_limits& l)
{
    if (e.vshader_avail) {
        l.vertex_attribs = driver_int(GL_MAX_VERTEX_ATTRIBS_ARB);
        l.vertex_uniforms = driver_int(GL_MAX_VERTEX_UNIFORM_COMPONENTS_ARB);
        l.varyings = driver_int(GL_MAX_VARYING_FLOATS_ARB);
        l.combined_units = driver_int(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS_ARB);
        l.vertex_units = driver_int(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS_ARB);
    }
    if (e.fshader_avail) l.fragment_uniforms = driver_int(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS_ARB);
    if (e.glsl_avail) {
        const GLubyte* s = driver->get_string(GL_SHADING_LANGUAGE_VERSION_ARB);
        l.glsl_version = s ? reinterpret_cast<const char*>(s) : "<null string>";
    }
}

void read_texture_limits(OGL_extensions& e, logged_limits& l)
{
    ren.max_aniso = 1.0f;
    ren.tex_units = driver_int(GL_MAX_TEXTURE_UNITS_ARB);
    ren.tex_image_units = e.fprog_avail ? driver_int(GL_MAX_TEXTURE_IMAGE_UNITS_ARB) : ren.tex_units;
    ren.tex_coord_units = e.vprog_avail ? driver_int(GL_MAX_TEXTURE_COORDS_ARB) : ren.tex_units;
    if (e.aniso_avail) driver->get_float(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &ren.max_aniso);
    e.max_tex_size = driver_int(GL_MAX_TEXTURE_SIZE);
    driver->get_float(GL_POINT_SIZE_RANGE, l.point_sizes);
    if (ren.tex_units == 0) ren.tex_units = 1;
}

// The user's switches only clear flags; entry points already fetched stay.
void apply_user_switches(OGL_extensions& e)
{
    if (option("--no_vbos")) e.vbo_avail = e.pbo_avail = 0;
    if (option("--no_pbos")) e.pbo_avail = 0;
    if (option("--no_sprites")) e.sprites_avail = 0;
    if (option("--no_pixel_counters")) e.occlude_avail = 0;
    if (option("--no_aniso_filtering")) {
        ren.max_aniso = 1.0f;
        e.aniso_avail = 0;
    }
    if (option("--no_hw_mipmap")) e.automini_avail = 0;
    if (option("--no_vshaders")) e.vprog_avail = 0;
    if (option("--no_fshaders")) e.fprog_avail = 0;
    if (option("--no_glsl")) e.glsl_avail = 0;
    if (option("--no_fbos")) e.framebuf_avail = 0;
    if (option("--no_threaded_ogl")) e.threaded_avail = 0;
    if (option("--no_sblend")) e.sblend_avail = 0;
}

// The capability block of the log.
void log_capabilities(const OGL_extensions& e, const logged_limits& l)
{
    xer << "OpenGL Vendor    : " << ren.gl_vendor << "\n";
    xer << "OpenGL Render    : " << ren.gl_renderer << "\n";
    xer << "OpenGL Version   : " << ren.gl_version << " (" << l.version << ")\n";
    xer << "OpenGL Extensions: " << ren.gl_extensions << "\n";
    xer << "GLX Extensions: " << l.glx_extensions << "\n";
    xer << "use_vsync1       : " << ogl_win->use_vsync1 << "\n";
    xer << "use_vsync2       : " << ogl_win->use_vsync2 << "\n";
    xer << "tex_clamp_avail  : " << e.tex_clamp_avail << "\n";
    xer << "add_env_avail    : " << e.add_env_avail << "\n";
    xer << "combine_avail    : " << e.combine_avail << "\n";
    xer << "dis_fog_avail    : " << e.dis_fog_avail << "\n";
    xer << "tex_comp_avail   : " << e.tex_comp_avail << "\n";
    xer << "vbo_avail        : " << e.vbo_avail << "\n";
    xer << "pbo_avail        : " << e.pbo_avail << "\n";
    xer << "vprog_avail      : " << e.vprog_avail << " (" << l.vp_instructions << ")\n";
    xer << "fprog_avail      : " << e.fprog_avail << " (" << l.fp_instructions << "/" << l.fp_alu << "/"
        << l.fp_tex << "/" << l.fp_indirections << ")\n";
    xer << "automini_avail   : " << e.automini_avail << "\n";
    xer << "aniso_avail      : " << e.aniso_avail << "\n";
    xer << "fsaa_avail       : " << e.fsaa_avail << "\n";
    xer << "sprites_avail    : " << e.sprites_avail << "\n";
    xer << "depth_tex_avail  : " << e.depth_tex_avail << "\n";
    xer << "occlude_avail    : " << e.occlude_avail << "\n";
    xer << "shad_objs_avail  : " << e.shad_objs_avail << "\n";
    xer << "vshader_avail    : " << e.vshader_avail << " (" << l.vertex_attribs << "/" << l.vertex_uniforms
        << "/" << l.varyings << "/" << l.combined_units << "/" << l.vertex_units << "/"
        << l.fragment_uniforms << ")\n";
    xer << "fshader_avail    : " << e.fshader_avail << " (" << l.fragment_uniforms << ")\n";
    xer << "gshader_avail    : " << e.gshader_avail << "\n";
    xer << "buniform_avail   : " << e.buniform_avail << "\n";
    xer << "glsl_avail       : " << e.glsl_avail << " (" << l.glsl_version << ")\n";
    xer << "framebuf_avail   : " << e.framebuf_avail << "\n";
    xer << "sblend_avail     : " << e.sblend_avail << "\n";
    xer << "tex_float_avail  : " << e.tex_float_avail << "\n";
    xer << "packed_stencil   : " << e.packed_stencil << "\n";
    xer << "threaded_avail   : " << e.threaded_avail << "\n";
    xer << "first-gen shaders: " << e.first_gen_shaders << "\n";
    xer << "max tex units    : " << ren.tex_units << " (" << ren.tex_image_units << "/"
        << ren.tex_coord_units << ")\n";
    xer << "max iso filtering: " << ren.max_aniso << "\n";
    xer << "max texture size : " << e.max_tex_size << "\n";
    xer << "max point size   : " << l.point_sizes[1] << "\n" << std::flush;
}

// Hardware below the minimum stops the program unless the user forces it;
// a software renderer runs, but warns.
void check_minimum_hardware(const OGL_extensions& e, int version)
{
    if (!e.multitex_avail && version <= 109) {
        const bool forced = option("--force_run");
        __MACIBM_alert(
            0,
            tr("Your graphics hardware cannot support Nimbrel. Nimbrel requires a graphics card "
               "with 16 MB of VRAM and multitexturing."),
            forced ? tr("Your system does not meet Nimbrel's hardware requirements.")
                   : tr("First, try updating your graphics drivers."),
            forced ? tr("You have used the force-run command inline option to run Nimbrel anyway, "
                        "but it may crash.")
                   : tr("If this does not help, check your graphics card specifications."),
            forced ? tr("Go to " NIMBREL_MAKER_HOST " for system requirements and tech support "
                        "information.")
                   : tr("For tech support, email " NIMBREL_MAKER_SUPPORT_EMAIL),
            forced ? 1 : 2, __FILE__, __LINE__);
    }
    const std::string renderer = ren.gl_renderer;
    if (renderer == "GENERIC" || renderer == "Generic" || renderer == "generic" ||
        renderer == "Mesa GLX Indirect") {
        __MACIBM_alert(
            0,
            tr("I can not find a 3-D accelerator card that can handle OpenGL that has correctly "
               "installed drivers."),
            tr("I will still let you run the simulator, but the frame rate will NOT allow for a "
               "good simulation."),
            tr("To fly realistically you need the edition of the simulator for computers without "
               "3-D acceleration, or a 3-D accelerator card that can handle OpenGL."),
            tr("See " NIMBREL_MAKER_HOST " for a list of the currently-compatible 3-D video cards."), 1,
            __FILE__, __LINE__);
    }
}

}  // namespace

void OGL_extensions::init_extensions()
{
    // The driver's identification and version.
    ren.gl_vendor = driver_string(GL_VENDOR);
    ren.gl_renderer = driver_string(GL_RENDERER);
    ren.gl_version = driver_string(GL_VERSION);
    ren.gl_extensions = driver_string(GL_EXTENSIONS);
    logged_limits limits;
    if (const char* glx = driver->glx_client_extensions()) limits.glx_extensions = glx;
    limits.version = OGL_version_number(ren.gl_version);

    grant_by_rules(*this, limits.version);
    adjust_for_driver(*this, limits.glx_extensions);
    fetch_entry_points(*this);
    drop_dependent_flags(*this);
    read_program_limits(*this, limits);
    read_shader_limits(*this, limits);
    read_texture_limits(*this, limits);
    apply_user_switches(*this);
    // This program never gives a worker a GL context of its own.
    threaded_avail = 0;
    log_capabilities(*this, limits);
    // After the log, so the log shows the fixed-function count.
    if (glsl_avail && ren.tex_image_units > ren.tex_units) ren.tex_units = ren.tex_image_units;
    check_minimum_hardware(*this, limits.version);
}

// -- threaded_ogl_failed ---

void OGL_fill_thread_gl_hooks(THREAD_gl_hooks& hooks)
{
    hooks.threaded_ogl = [] { return glExt.threaded_avail; };
    hooks.threaded_ogl_failed = [] { glExt.threaded_ogl_failed(); };
}

void OGL_extensions::threaded_ogl_failed()
{
    if (!threaded_avail) return;
    threaded_avail = 0;
    __MACIBM_alert(0, tr("There was a problem setting up OpenGL."),
                   tr("You can still fly, but you may experience pauses during flight while "
                      "scenery loads."),
                   "", tr("(Please send your log.txt file to Orrindale Labs for debugging purposes.)"),
                   1, __FILE__, __LINE__);
}

// -- Token names ---

std::string OGL_get_token_name(unsigned int token)
{
#define OGL_TOKEN(name) {name, #name}
    static const struct { unsigned int value; const char* name; } names[] = {
        OGL_TOKEN(GL_RGBA32F_ARB), OGL_TOKEN(GL_RGB32F_ARB), OGL_TOKEN(GL_ALPHA32F_ARB),
        OGL_TOKEN(GL_INTENSITY32F_ARB), OGL_TOKEN(GL_LUMINANCE32F_ARB),
        OGL_TOKEN(GL_LUMINANCE_ALPHA32F_ARB), OGL_TOKEN(GL_RGBA16F_ARB), OGL_TOKEN(GL_RGB16F_ARB),
        OGL_TOKEN(GL_ALPHA16F_ARB), OGL_TOKEN(GL_INTENSITY16F_ARB), OGL_TOKEN(GL_LUMINANCE16F_ARB),
        OGL_TOKEN(GL_LUMINANCE_ALPHA16F_ARB), OGL_TOKEN(GL_ALPHA4), OGL_TOKEN(GL_ALPHA8),
        OGL_TOKEN(GL_ALPHA12), OGL_TOKEN(GL_ALPHA16), OGL_TOKEN(GL_LUMINANCE4),
        OGL_TOKEN(GL_LUMINANCE8), OGL_TOKEN(GL_LUMINANCE12), OGL_TOKEN(GL_LUMINANCE16),
        OGL_TOKEN(GL_LUMINANCE4_ALPHA4), OGL_TOKEN(GL_LUMINANCE6_ALPHA2),
        OGL_TOKEN(GL_LUMINANCE8_ALPHA8), OGL_TOKEN(GL_LUMINANCE12_ALPHA4),
        OGL_TOKEN(GL_LUMINANCE12_ALPHA12), OGL_TOKEN(GL_LUMINANCE16_ALPHA16),
        OGL_TOKEN(GL_INTENSITY), OGL_TOKEN(GL_INTENSITY4), OGL_TOKEN(GL_INTENSITY8),
        OGL_TOKEN(GL_INTENSITY12), OGL_TOKEN(GL_INTENSITY16), OGL_TOKEN(GL_R3_G3_B2),
        OGL_TOKEN(GL_RGB4), OGL_TOKEN(GL_RGB5), OGL_TOKEN(GL_RGB8), OGL_TOKEN(GL_RGB10),
        OGL_TOKEN(GL_RGB12), OGL_TOKEN(GL_RGB16), OGL_TOKEN(GL_RGBA2), OGL_TOKEN(GL_RGBA4),
        OGL_TOKEN(GL_RGB5_A1), OGL_TOKEN(GL_RGBA8), OGL_TOKEN(GL_RGB10_A2), OGL_TOKEN(GL_RGBA12),
        OGL_TOKEN(GL_RGBA16), OGL_TOKEN(GL_DEPTH24_STENCIL8_EXT),
        OGL_TOKEN(GL_DEPTH_COMPONENT16_ARB), OGL_TOKEN(GL_DEPTH_COMPONENT24_ARB),
        OGL_TOKEN(GL_DEPTH_COMPONENT32_ARB), OGL_TOKEN(GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT),
        OGL_TOKEN(GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT),
        OGL_TOKEN(GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT),
        OGL_TOKEN(GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT),
        OGL_TOKEN(GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT),
        OGL_TOKEN(GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT), OGL_TOKEN(GL_FRAMEBUFFER_UNSUPPORTED_EXT),
    };
#undef OGL_TOKEN
    for (const auto& n : names)
        if (n.value == token) return n.name;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", token);
    return hex;
}
