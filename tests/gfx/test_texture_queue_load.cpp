// A texture queued on a thread pool: queued once however often it is
// asked, kept alive by the pool's reference, and counted back afterwards.
// The load itself has no image here, so no GL context is needed.

#include <gtest/gtest.h>

#include "core/threads/threadpool.h"
#include "gfx/textures/texture_object.h"
#include "gfx_test_helpers.h"

TEST(TextureQueueLoad, QueuedOnceAndHandedBackLoaded)
{
    gfx_test::captured run;
    TEX_obj obj(0, "", 0x81, tex_fail_silent);
    {
        UTL_threadpool pool(0);  // no threads: this thread runs the task
        obj.queue_load(&pool);
        obj.queue_load(&pool);
        EXPECT_EQ(obj.queued, 1);
        EXPECT_EQ(obj.refs, 2) << "the pool holds one reference while queued";
        EXPECT_TRUE(pool.help_a_bit());
        EXPECT_FALSE(pool.help_a_bit()) << "queued only once";
    }
    EXPECT_EQ(obj.queued, 0);
    EXPECT_EQ(obj.refs, 1);
    EXPECT_EQ(obj.loaded, 1);
    EXPECT_EQ(obj.vram, 0) << "no image: a placeholder";
}

TEST(TextureQueueLoad, LoadsOnPoolThreads)
{
    gfx_test::captured run;
    TEX_obj a(0, "", 0x81, tex_fail_silent), b(0, "", 0x81, tex_fail_silent);
    {
        UTL_threadpool pool(2);
        a.queue_load(&pool);
        b.queue_load(&pool);
    }  // the pool runs every queued task before its threads are joined
    EXPECT_EQ(a.loaded, 1);
    EXPECT_EQ(b.loaded, 1);
    EXPECT_EQ(a.refs + b.refs, 2);
}

TEST(TextureReferences, RetainAndReleaseCountAndGuard)
{
    gfx_test::captured run;
    TEX_obj obj(0, "some/path.png", 0x81, tex_fail_silent);
    obj.retain();
    EXPECT_EQ(obj.refs, 2);
    obj.release();
    obj.release();
    EXPECT_FALSE(obj.has_refs());
    EXPECT_TRUE(gfx_test::alerts().empty());
    obj.release();
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Ref count went negative");
    EXPECT_EQ(gfx_test::alerts()[0].line3, "some/path.png");
}
