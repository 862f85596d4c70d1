// The texture manager: fixed and dynamic numbers, sharing by path, release
// and purge, the blank stand-in, misuse alerts and the failure counters.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../gfx_test_helpers.h"
#include "core/diag/frame_clock.h"
#include "gfx/textures/texture_binding.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/window_link.h"
#include "gl_test_environment.h"
#include "texture_fixtures.h"

using gfx_test::captured;

namespace {

// Releases and purges every dynamic texture a test made.
class TextureManager : public testing::Test {
protected:
    void TearDown() override
    {
        for (int ref = tman_first_dynamic; ref < tman_first_dynamic + 32; ++ref)
            while (TEX_obj* obj = tman.fetch_ref(ref)) {
                if (!obj->has_refs()) break;
                obj->release();
            }
        tman.purge_unused_texes();
    }
    std::string picture(const std::string& name)
    {
        return gfx_test::write_png(dir_ / name, 4, 4);
    }
    testing_support::scratch_dir dir_;
};

}  // namespace

TEST_F(TextureManager, OnePathSharesOneDynamicNumber)
{
    captured run;
    const std::string a = picture("a.png");
    const int first = tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, a);
    const int again = tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, a);
    EXPECT_GE(first, tman_first_dynamic);
    EXPECT_EQ(again, first);
    EXPECT_EQ(tman.fetch_ref(first)->refs, 2);
    EXPECT_EQ(tman.ugly_reverse(tman.fetch_ref(first)), first);

    tman.release_texture(first);
    tman.release_texture(first);
    EXPECT_TRUE(tman.tex_exists(first)) << "released objects wait for the purge";
    tman.purge_unused_texes();
    EXPECT_FALSE(tman.tex_exists(first));
    const int next = tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, picture("b.png"));
    EXPECT_EQ(next, first) << "the highest free slot is reused";
}

TEST_F(TextureManager, NewPathTakesTheHighestFreeSlot)
{
    captured run;
    // In a fresh process these are 1155 to 1160; earlier tests of the same
    // process may have left free slots, which a load fills from the top.
    std::vector<int> refs;
    for (int i = 0; i < 6; ++i)
        refs.push_back(tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, picture("p" + std::to_string(i) + ".png")));
    std::sort(refs.begin(), refs.end());
    EXPECT_GE(refs[0], tman_first_dynamic);
    tman.release_texture(refs[1]);
    tman.release_texture(refs[3]);
    tman.purge_unused_texes();
    EXPECT_EQ(tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, picture("new.png")), refs[3]);
}

TEST_F(TextureManager, DynamicLoadOfAManualPathSharesTheManualNumber)
{
    captured run;
    const std::string sheet = picture("sheet.png");
    ASSERT_EQ(tman.load_texture(tex_fail_fatal, 427, 0x10181, tex_load_now, sheet), 427);
    EXPECT_EQ(tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, sheet), 427);
    EXPECT_EQ(tman.fetch_ref(427)->refs, 2);
    EXPECT_FLOAT_EQ(tman.tex_dx_vis(427), 4);
    EXPECT_TRUE(tman.has_alpha(427) == false);
    tman.unload_texture(427);
    EXPECT_FALSE(tman.tex_exists(427));
    EXPECT_EQ(tman.get_path(427), "");
}

TEST_F(TextureManager, FailedManualLoadReturnsZeroAndBindsTheBlankTexture)
{
    captured run;
    EXPECT_EQ(tman.load_texture(tex_fail_silent, 500, 0x81, tex_load_now, dir_ / "absent.png"), 0);
    EXPECT_TRUE(tman.tex_exists(500));
    EXPECT_TRUE(tman.tex_err(500));
    TEX_reset_bind();
    tman.bind_ref(500, 0, 0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 950);
    tman.unload_texture(500);

    const int dynamic = tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, dir_ / "also_absent.png");
    EXPECT_GE(dynamic, tman_first_dynamic) << "a dynamic number comes back loaded or not";
    EXPECT_EQ(tman.load_texture(tex_fail_silent, 0, 0x81, tex_load_now, ""), 0);
}

TEST_F(TextureManager, MisusedNumbersAreFatal)
{
    captured run;
    tman.load_texture(tex_fail_silent, 1155, 0x81, tex_load_now, "x.png");
    tman.load_texture(tex_fail_silent, -1, 0x81, tex_load_now, "x.png");
    tman.load_texture(tex_fail_silent, 5, 0x81, static_cast<tex_load_time>(3), "x.png");
    tman.release_texture(410);
    tman.release_texture(1300);
    tman.unload_texture(1200);
    tman.bind_ref(777, 0, 0);
    const auto& a = gfx_test::alerts();
    ASSERT_EQ(a.size(), 7u);
    EXPECT_EQ(a[0].line1, "Trying to bind too low or high a manual_ref!");
    EXPECT_EQ(a[0].line4, "1155");
    EXPECT_EQ(a[1].line4, "-1");
    EXPECT_EQ(a[2].line1, "Trying to create an invalid texture load_time!");
    EXPECT_EQ(a[3].line1, "Trying to release a manual texture - use unload_texture.");
    EXPECT_EQ(a[3].line2, "410.000000");
    EXPECT_EQ(a[4].line1, "Trying to release a null texture.");
    EXPECT_EQ(a[5].line1, "Error: dynamic textures should be released, not unloaded.");
    EXPECT_EQ(a[5].line3, "1200.000000");
    EXPECT_EQ(a[6].line1, "Null texture - how?");
    EXPECT_EQ(a[6].line3, "ref=   777");
    for (const auto& alert : a) EXPECT_EQ(alert.level, 2);
}

TEST_F(TextureManager, ResolutionRatioAndVideoMemory)
{
    const int saved = ogl_win->texture_res_setting;
    const float ratios[] = {0.03125f, 0.0625f, 0.125f, 0.25f, 0.5f, 1.0f};
    for (int setting = 0; setting <= 5; ++setting) {
        ogl_win->texture_res_setting = setting;
        EXPECT_EQ(tman.scale_rat(), ratios[setting]);
    }
    ogl_win->texture_res_setting = 9;
    EXPECT_EQ(tman.scale_rat(), 1.0f);
    ogl_win->texture_res_setting = saved;

    const int screen = gfx_test::screen_w * gfx_test::screen_h * 24 / 8;
    EXPECT_GE(tman.tot_vram(), screen + 12) << "the screen plus the blank texture at least";
}

TEST_F(TextureManager, MutedFailuresAreNotReported)
{
    tman.got_scene_load_fail();
    tman.mute_scene_load_fail();
    EXPECT_FALSE(tman.has_scene_load_fail()) << "muted for the rest of the run";
    tman.got_plane_load_fail();
    EXPECT_TRUE(tman.has_plane_load_fail());
    tman.reset_plane_load_fail();
    EXPECT_FALSE(tman.has_plane_load_fail());
}

TEST_F(TextureManager, ProgressLineForSlowLoadsOfOrdinaryPaths)
{
    static std::vector<std::string> shown;
    static unsigned long long now_us = 5000000;
    shown.clear();
    set_show_init_hook([](const std::string& text, float*) { shown.push_back(text); });
    xtim_set_clock([] { return now_us; });
    captured run;
    const std::string p = picture("progress.png");
    tman.load_texture(tex_fail_silent, 410, 0x81, tex_load_now, p);  // a quiet number
    now_us += 1100000;
    tman.load_texture(tex_fail_silent, 600, 0x81, tex_load_now, p);
    now_us += 500000;
    tman.load_texture(tex_fail_silent, 601, 0x81, tex_load_now, p);  // too soon after
    now_us += 1100000;
    tman.load_texture(tex_fail_silent, 602, 0x81, tex_load_now, "scratch_array-x");
    xtim_set_clock(nullptr);
    set_show_init_hook(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Loading bitmap " + p + ".");
    for (int ref : {410, 600, 601, 602}) tman.unload_texture(ref);
}
