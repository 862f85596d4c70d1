// Capability detection on the real driver (Mesa's llvmpipe under Xvfb).

#include <gtest/gtest.h>

#include <string>

#include "../gfx_test_helpers.h"
#include "gfx/gl_state_cache.h"
#include "gfx/ogl_capabilities.h"
#include "gl_test_environment.h"

TEST(CapabilitiesOnMesa, ReadsTheDriverAndLogsTheBlock)
{
    gfx_test::captured run({"--no_fbos"});
    glExt = OGL_extensions();
    glExt.init_extensions();
    const std::string log = run.log();

    EXPECT_EQ(OGL_version_number(ren.gl_version), 450) << ren.gl_version;
    EXPECT_NE(log.find("OpenGL Version   : " + std::string(ren.gl_version) + " (450)\n"), std::string::npos) << log;
    EXPECT_NE(log.find("GLX Extensions: "), std::string::npos);
    EXPECT_NE(log.find("threaded_avail   : 0\n"), std::string::npos);
    EXPECT_EQ(log.find("WARNING: extension missing proc"), std::string::npos) << "glvnd answers every name";

    EXPECT_EQ(glExt.multitex_avail, 1);
    EXPECT_EQ(glExt.combine_avail, 1);
    EXPECT_EQ(glExt.tex_comp_avail, 1);
    EXPECT_NE(glExt.glCompressedTexImage2DARB, nullptr);
    EXPECT_EQ(glExt.framebuf_avail, 0) << "--no_fbos";
    EXPECT_GE(glExt.max_tex_size, 2048);
    EXPECT_GE(ren.tex_units, OGL_cached_units) << "image units once GLSL is on";
    EXPECT_TRUE(gfx_test::alerts().empty()) << "llvmpipe is no software-renderer name of the list";
}
