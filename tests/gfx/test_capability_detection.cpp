// Capability detection against drivers made of data: the version rules,
// the extension tests, missing entry points, the switches, the limits, the
// log block and the alerts.

#include <gtest/gtest.h>

#include <string>

#include "core/threads/thread_layer.h"
#include "fake_gl_driver.h"
#include "gfx/ogl_capabilities.h"
#include "gfx_test_helpers.h"

using gfx_test::captured;
using gfx_test::fake_gl_driver;

namespace {

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(OpenGLVersionNumber, ReadsMajorAndMinorAsWholeNumbers)
{
    EXPECT_EQ(OGL_version_number("2.1.2"), 210);
    EXPECT_EQ(OGL_version_number("1.5"), 150);
    EXPECT_EQ(OGL_version_number("1.10"), 200) << "the minor number counts whole";
    EXPECT_EQ(OGL_version_number("4.5 (Compatibility Profile) Mesa 22.3.6"), 450);
    EXPECT_EQ(OGL_version_number("garbage"), 100);
    EXPECT_EQ(OGL_version_number("7"), 100);
    EXPECT_EQ(OGL_version_number(""), 100);
    EXPECT_EQ(OGL_version_number(nullptr), 100);
    EXPECT_EQ(OGL_version_number("1.5555555555555555554"), 10000100) << "huge parts saturate";
    EXPECT_EQ(OGL_version_number("99999999999999999999.1"), 100000010);
}

TEST(CapabilityDetection, VersionGrantsFlagsUpToItsThresholdAndExtensionsTheRest)
{
    fake_gl_driver driver;
    driver.version = "2.1 Fake";
    driver.extensions = "GL_EXT_packed_depth_stencil";
    captured run;
    glExt.init_extensions();

    EXPECT_EQ(glExt.multitex_avail, 1);
    EXPECT_EQ(glExt.pbo_avail, 1);
    EXPECT_EQ(glExt.sprites_avail, 1);
    EXPECT_EQ(glExt.glsl_avail, 1);
    EXPECT_EQ(glExt.sblend_avail, 1);
    EXPECT_EQ(glExt.framebuf_avail, 0) << "needs 3.0 or its extension";
    EXPECT_EQ(glExt.tex_float_avail, 0);
    EXPECT_EQ(glExt.packed_stencil, 1) << "granted by the extension";
    EXPECT_EQ(glExt.vprog_avail, 0) << "no version threshold";
    EXPECT_NE(glExt.glBindBufferARB, nullptr);
    EXPECT_EQ(glExt.glBindFramebufferEXT, nullptr) << "fetched only while its flag is set";
}

TEST(CapabilityDetection, ExtensionTestsAreSubstringSearches)
{
    fake_gl_driver driver;
    driver.version = "1.1";
    driver.extensions = "GL_ARB_multitexture GL_ARB_vertex_program GL_ARB_fragment_program_shadow";
    captured run;
    glExt.init_extensions();
    EXPECT_EQ(glExt.fprog_avail, 1);
    EXPECT_EQ(glExt.vprog_avail, 1);
    EXPECT_EQ(glExt.tex_clamp_avail, 0) << "1.1 is below the 1.2 threshold";
}

TEST(CapabilityDetection, DisableVboBeforeFetchingAlsoCostsThePbos)
{
    fake_gl_driver driver;
    captured run({"--disable-vbo"});
    glExt.init_extensions();
    const std::string log = run.log();
    EXPECT_EQ(glExt.vbo_avail, 0);
    EXPECT_EQ(glExt.pbo_avail, 0);
    EXPECT_EQ(glExt.glBindBufferARB, nullptr) << "the buffer-object family is not fetched";
    const size_t vbo_line = log.find("VBOs disabled on user's request.\n");
    const size_t pbo_line = log.find("Disabling PBOs because VBOs are not available.  This probably "
                                     "means that VBOs are disabled for compatibility reasons.\n");
    ASSERT_NE(vbo_line, std::string::npos) << log;
    ASSERT_NE(pbo_line, std::string::npos) << log;
    EXPECT_LT(vbo_line, pbo_line);
}

TEST(CapabilityDetection, NoVbosClearsBothWithoutThePboLine)
{
    fake_gl_driver driver;
    captured run({"--no_vbos"});
    glExt.init_extensions();
    EXPECT_EQ(glExt.vbo_avail, 0);
    EXPECT_EQ(glExt.pbo_avail, 0);
    EXPECT_NE(glExt.glBindBufferARB, nullptr) << "switches clear flags, fetched entry points stay";
    EXPECT_EQ(run.log().find("Disabling PBOs"), std::string::npos);
}

TEST(CapabilityDetection, SwitchesClearTheirFlags)
{
    fake_gl_driver driver;
    driver.version = "3.0";
    driver.extensions = "GL_EXT_texture_filter_anisotropic GL_ARB_vertex_program GL_ARB_fragment_program";
    driver.floats[GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT] = 16;
    captured run({"--no_pbos", "--no_sprites", "--no_pixel_counters", "--no_aniso_filtering",
                  "--no_hw_mipmap", "--no_vshaders", "--no_glsl", "--no_fbos", "--no_sblend",
                  "--no_threaded_ogl"});
    glExt.init_extensions();
    EXPECT_EQ(glExt.vbo_avail, 1);
    for (int flag : {glExt.pbo_avail, glExt.sprites_avail, glExt.occlude_avail, glExt.aniso_avail,
                     glExt.automini_avail, glExt.vprog_avail, glExt.glsl_avail, glExt.framebuf_avail,
                     glExt.sblend_avail})
        EXPECT_EQ(flag, 0);
    EXPECT_EQ(ren.max_aniso, 1.0f);
    EXPECT_EQ(glExt.fprog_avail, 1) << "--no_vshaders comes after the dependency step";
}

TEST(CapabilityDetection, MissingEntryPointTurnsItsFamilyOffAndIsLogged)
{
    fake_gl_driver driver;
    driver.missing = {"glBlendEquationSeparateEXT", "glGenQueriesARB"};
    captured run;
    glExt.init_extensions();
    const std::string log = run.log();
    EXPECT_EQ(glExt.sblend_avail, 0);
    EXPECT_EQ(glExt.glBlendFuncSeparateEXT, nullptr) << "not fetched once the family went off";
    EXPECT_EQ(glExt.occlude_avail, 0);
    EXPECT_NE(glExt.glGetQueryObjectuivARB, nullptr) << "the rest of the family is still fetched";
    EXPECT_NE(log.find("WARNING: extension missing proc glBlendEquationSeparateEXT.  This is a "
                       "problem with your video driver.\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("WARNING: extension missing proc glGenQueriesARB."), std::string::npos);
}

TEST(CapabilityDetection, FragmentProgramsWithoutNativeInstructions)
{
    const char* programs = "GL_ARB_vertex_program GL_ARB_fragment_program";
    {
        fake_gl_driver driver;
        driver.extensions = programs;
        driver.fragment_instructions = 0;
        captured run;
        glExt.init_extensions();
        EXPECT_EQ(glExt.fprog_avail, 0);
        EXPECT_EQ(glExt.first_gen_shaders, 1);
    }
    {
        fake_gl_driver driver;
        driver.extensions = programs;
        driver.fragment_instructions = 0;
        captured run({"--use_fprogs"});
        glExt.init_extensions();
        EXPECT_EQ(glExt.fprog_avail, 1);
        EXPECT_EQ(glExt.first_gen_shaders, 1);
    }
    for (int instructions : {99, 100}) {
        fake_gl_driver driver;
        driver.extensions = programs;
        driver.fragment_instructions = instructions;
        captured run;
        glExt.init_extensions();
        EXPECT_EQ(glExt.first_gen_shaders, instructions == 99 ? 1 : 0) << instructions;
    }
    {
        fake_gl_driver driver;
        driver.extensions = programs;
        driver.vertex_instructions = 0;
        captured run;
        glExt.init_extensions();
        EXPECT_EQ(glExt.vprog_avail, 0);
    }
}

TEST(CapabilityDetection, TextureUnitLimits)
{
    {
        fake_gl_driver driver;
        driver.integers[GL_MAX_TEXTURE_UNITS_ARB] = 0;
        captured run;
        glExt.init_extensions();
        EXPECT_EQ(ren.tex_units, 1);
    }
    {
        fake_gl_driver driver;
        driver.extensions = "GL_ARB_vertex_program GL_ARB_fragment_program";
        driver.integers[GL_MAX_TEXTURE_IMAGE_UNITS_ARB] = 16;
        driver.integers[GL_MAX_TEXTURE_COORDS_ARB] = 8;
        captured run;
        glExt.init_extensions();
        EXPECT_NE(run.log().find("max tex units    : 4 (16/8)\n"), std::string::npos) << run.log();
        EXPECT_EQ(ren.tex_units, 16) << "GLSL raises the count after the log";
    }
}

TEST(CapabilityDetection, LogsTheBlockInOrder)
{
    fake_gl_driver driver;
    driver.version = "2.1.2";
    captured run;
    glExt.init_extensions();
    const std::string log = run.log();
    const char* labels[] = {
        "OpenGL Vendor    : Fake Vendor\n", "OpenGL Render    : Fake Renderer\n",
        "OpenGL Version   : 2.1.2 (210)\n", "OpenGL Extensions: \n",
        "GLX Extensions: GLX_SGIX_fbconfig GLX_SGIX_pbuffer\n", "use_vsync1       : 0\n",
        "use_vsync2       : 0\n", "tex_clamp_avail  : 1\n", "add_env_avail    : ",
        "combine_avail    : ", "dis_fog_avail    : ", "tex_comp_avail   : ", "vbo_avail        : ",
        "pbo_avail        : ", "vprog_avail      : 0 (0)\n", "fprog_avail      : 0 (0/0/0/0)\n",
        "automini_avail   : ", "aniso_avail      : ", "fsaa_avail       : ", "sprites_avail    : ",
        "depth_tex_avail  : ", "occlude_avail    : ", "shad_objs_avail  : ", "vshader_avail    : 1 (",
        "fshader_avail    : 1 (", "gshader_avail    : ", "buniform_avail   : ",
        "glsl_avail       : 1 (1.10)\n", "framebuf_avail   : 0\n", "sblend_avail     : ",
        "tex_float_avail  : ", "packed_stencil   : ", "threaded_avail   : 0\n",
        "first-gen shaders: 0\n", "max tex units    : 4 (4/4)\n", "max iso filtering: 1\n",
        "max texture size : 2048\n", "max point size   : 0\n"};
    size_t at = 0;
    for (const char* label : labels) {
        const size_t found = log.find(label, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << label << "\n" << log;
        at = found;
    }
    EXPECT_EQ(count(log, "multitex_avail"), 0u);
    EXPECT_EQ(count(log, "draw_buffers_avail"), 0u);
}

TEST(CapabilityDetection, ThreadedGlIsAlwaysOffAndPbuffersAreChecked)
{
    fake_gl_driver driver;
    driver.glx_extensions = "GLX_SGIX_fbconfig";
    captured run;
    glExt.init_extensions();
    EXPECT_EQ(glExt.threaded_avail, 0);
    EXPECT_NE(run.log().find("Disabling threaded OGL - we need pbuffer support for this.\n"),
              std::string::npos);
}

TEST(CapabilityDetection, NullDriverStringsReadAsEmpty)
{
    fake_gl_driver driver;
    driver.null_strings = true;
    driver.integers[GL_MAX_TEXTURE_UNITS_ARB] = 2;
    captured run;
    glExt.init_extensions();
    EXPECT_STREQ(ren.gl_vendor, "");
    EXPECT_STREQ(ren.gl_renderer, "");
    EXPECT_STREQ(ren.gl_version, "");
    EXPECT_STREQ(ren.gl_extensions, "");
    EXPECT_NE(run.log().find("OpenGL Version   :  (100)\n"), std::string::npos) << run.log();
    ASSERT_EQ(gfx_test::alerts().size(), 1u) << "only the minimum-hardware alert";
    EXPECT_EQ(gfx_test::alerts()[0].level, 2);
}

TEST(CapabilityDetection, HardwareBelowTheMinimumStopsUnlessForced)
{
    const std::string first =
        "Your graphics hardware cannot support Nimbrel. Nimbrel requires a graphics card with 16 MB "
        "of VRAM and multitexturing.";
    {
        fake_gl_driver driver;
        driver.version = "unknown";
        captured run;
        glExt.init_extensions();
        ASSERT_EQ(gfx_test::alerts().size(), 1u);
        const auto& a = gfx_test::alerts()[0];
        EXPECT_EQ(a.level, 2);
        EXPECT_EQ(a.line1, first);
        EXPECT_EQ(a.line2, "First, try updating your graphics drivers.");
        EXPECT_EQ(a.line3, "If this does not help, check your graphics card specifications.");
        EXPECT_EQ(a.line4.rfind("For tech support, email ", 0), 0u);
    }
    {
        fake_gl_driver driver;
        driver.version = "unknown";
        captured run({"--force_run"});
        glExt.init_extensions();
        ASSERT_EQ(gfx_test::alerts().size(), 1u);
        const auto& a = gfx_test::alerts()[0];
        EXPECT_EQ(a.level, 1);
        EXPECT_EQ(a.line2, "Your system does not meet Nimbrel's hardware requirements.");
        EXPECT_EQ(a.line3, "You have used the force-run command inline option to run Nimbrel anyway, "
                           "but it may crash.");
        EXPECT_EQ(a.line4.rfind("Go to ", 0), 0u);
    }
    {
        // 1.1 without multitexturing passes: 110 is above 109.
        fake_gl_driver driver;
        driver.version = "1.1";
        captured run;
        glExt.init_extensions();
        EXPECT_EQ(glExt.multitex_avail, 0);
        EXPECT_TRUE(gfx_test::alerts().empty());
    }
}

TEST(CapabilityDetection, SoftwareRendererWarnsOnlyOnAnExactName)
{
    for (const char* name : {"Mesa GLX Indirect", "GENERIC", "generic", "Mesa GLX Indirect 2", "llvmpipe"}) {
        fake_gl_driver driver;
        driver.renderer = name;
        captured run;
        glExt.init_extensions();
        const bool exact = std::string(name).find(' ') == std::string::npos
                               ? std::string(name) != "llvmpipe"
                               : std::string(name) == "Mesa GLX Indirect";
        ASSERT_EQ(gfx_test::alerts().size(), exact ? 1u : 0u) << name;
        if (exact) {
            EXPECT_EQ(gfx_test::alerts()[0].level, 1);
            EXPECT_EQ(gfx_test::alerts()[0].line1,
                      "I can not find a 3-D accelerator card that can handle OpenGL that has "
                      "correctly installed drivers.");
        }
    }
}

TEST(CapabilityDetection, ThreadedGlFailureWarnsOnceAndNeverAfterDetection)
{
    captured run;
    glExt = OGL_extensions();
    glExt.threaded_ogl_failed();
    glExt.threaded_ogl_failed();
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].level, 1);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "There was a problem setting up OpenGL.");
    EXPECT_EQ(gfx_test::alerts()[0].line3, "");

    fake_gl_driver driver;
    gfx_test::alerts().clear();
    glExt.init_extensions();
    glExt.threaded_ogl_failed();
    EXPECT_TRUE(gfx_test::alerts().empty());
}

TEST(OpenGLTokenNames, NamesFormatsAndStatusesElseHex)
{
    EXPECT_EQ(OGL_get_token_name(GL_RGBA8), "GL_RGBA8");
    EXPECT_EQ(OGL_get_token_name(GL_DEPTH24_STENCIL8_EXT), "GL_DEPTH24_STENCIL8_EXT");
    EXPECT_EQ(OGL_get_token_name(GL_FRAMEBUFFER_UNSUPPORTED_EXT), "GL_FRAMEBUFFER_UNSUPPORTED_EXT");
    EXPECT_EQ(OGL_get_token_name(GL_FRAMEBUFFER_COMPLETE_EXT), "0x00008cd5");
}

TEST(CapabilityDetection, ThreadLayerSeesTheFlagThroughItsHooks)
{
    captured run;
    THREAD_gl_hooks hooks;
    OGL_fill_thread_gl_hooks(hooks);
    glExt = OGL_extensions();
    EXPECT_EQ(hooks.threaded_ogl(), 1);
    hooks.threaded_ogl_failed();
    EXPECT_EQ(hooks.threaded_ogl(), 0);
    EXPECT_EQ(gfx_test::alerts().size(), 1u);
}
