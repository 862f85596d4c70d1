// Steps of the start-up sequence that stand on their own: the random table,
// the colours taken from the interface image, the language settled on, and
// the log header's /proc facts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "core/core_globals.h"
#include "gfx/draw/colour_table.h"
#include "gfx/fonts/fonts.h"
#include "shell/mnw_state.h"
#include "core/text/translation.h"
#include "shell/proc_info.h"
#include "shell/shutdown.h"
#include "shell/startup.h"
#include "test_support.h"

namespace {

using testing_support::scratch_dir;
using testing_support::write_file;

TEST(startup_steps, RandomTableIsTheSameOnEveryRunButLaterNumbersAreNot)
{
    fill_random_table();
    std::vector<float> first(randrat, randrat + 10000);
    const int drawn_first = std::rand();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    fill_random_table();
    EXPECT_EQ(first, std::vector<float>(randrat, randrat + 10000));
    for (float r : first) ASSERT_TRUE(r >= 0 && r < 1) << r;
    EXPECT_NE(std::rand(), drawn_first) << "the generator was not reseeded from the clock";
}

TEST(startup_steps, ColourTableTakesItsRowsFromTheInterfaceImage)
{
    std::vector<unsigned char> pixels(512 * 512 * 4, 0);
    auto put = [&](int x, int y, int r, int g, int b) {
        unsigned char* p = &pixels[((511 - y) * 512 + x) * 4];  // rows bottom-up
        p[0] = static_cast<unsigned char>(r);
        p[1] = static_cast<unsigned char>(g);
        p[2] = static_cast<unsigned char>(b);
    };
    put(319, 356, 68, 85, 105);
    put(319, 364, 97, 97, 92);
    put(319, 388, 255, 255, 255);
    put(319, 444, 144, 226, 187);
    put(395, 396, 226, 226, 226);
    colours_from_interface(pixels.data());
    EXPECT_FLOAT_EQ(colr.colours[37][0], 68 / 255.0f);
    EXPECT_FLOAT_EQ(colr.colours[37][2], 105 / 255.0f);
    EXPECT_FLOAT_EQ(colr.colours[50][1], 226 / 255.0f);
    EXPECT_FLOAT_EQ(colr.colours[47][0], 226 / 255.0f);
    EXPECT_NEAR(colr.colours[42][0], 0.690196f, 1e-6);
    EXPECT_NEAR(colr.colours[42][2], 0.680392f, 1e-6);
}

// A build without its pictures ends at the first one, naming it, rather than
// running with a black interface.
TEST(startup_steps, AMissingBuiltInPictureIsAFatalAlertNamingIt)
{
    scratch_dir dir;
    const auto run = testing_support::run_shell("cd '" + dir.path() + "' && " START_WITHOUT_PICTURES);
    EXPECT_NE(run.out.find("Trying to load a texture that you do not have!"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("RESOURCE:map.png"), std::string::npos) << run.out;
    EXPECT_NE(run.status, 0) << "the program went on without its pictures";
}

TEST(startup_steps, LanguageIsKeptWhenOfferedElseAskedFor)
{
    const std::vector<int> all = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(settle_language(4, all), 4);
    EXPECT_EQ(settle_language(-1, all), -1);
    EXPECT_EQ(settle_language(9, all), -1);
    EXPECT_EQ(settle_language(-1, {2}), 2) << "a single offer is taken without asking";
}

TEST(startup_steps, LogHeaderCopiesOnlyTheAskedProcLines)
{
    scratch_dir dir;
    // A flags line longer than the 512-byte buffer: each piece counts alone,
    // so a piece that happens to start "processor" is copied too.
    const std::string long_line = "flags\t\t: " + std::string(502, 'x') + "processor piece\n";
    write_file(dir / "cpuinfo", "processor\t: 0\nvendor_id\t: Ours\ncpu family\t: 6\nmodel name\t: Test CPU\n"
                                "cpu MHz\t\t: 1000.0\n" + long_line);
    write_file(dir / "meminfo", "MemTotal:  1024 kB\nMemFree:  12 kB\n");
    app_path.clear();
    std::ostringstream out;
    MACIBM_write_log_header(out, (dir / "cpuinfo").c_str(), (dir / "meminfo").c_str());
    const std::string text = out.str();
    EXPECT_NE(text.find("\n\nprocessor\t: 0\nmodel name\t: Test CPU\ncpu MHz\t\t: 1000.0\n"
                        "processor piece\nMemTotal:  1024 kB\n\nN-System folder:'', case sensitive="),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("cpu family"), std::string::npos);
    EXPECT_EQ(text.find("MemFree"), std::string::npos);

    std::ostringstream missing;
    MACIBM_write_log_header(missing, (dir / "none1").c_str(), (dir / "none2").c_str());
    EXPECT_NE(missing.str().find("Unable to read CPU information.\nUnable to read mem information.\n"),
              std::string::npos);
}

}  // namespace

namespace {

TEST(startup_steps, EnglishDropsAnEarlierTranslationAndTablelessLanguagesStayEnglish)
{
    scratch_dir dir;
    write_file(dir / "table.txt", "I\n900 version\nTRANSLATION\nSTRING Understood====Verstanden\n");
    UTL_translate_load_table(2, dir / "table.txt");
    ASSERT_EQ(UTL_translate_string("Understood", 0), "Verstanden");
    mnw.language = 0;
    MACIBM_setupforlang();
    EXPECT_EQ(UTL_translate_string("Understood", 0), "Understood");
    for (int tableless : {4, 5}) {
        mnw.language = tableless;
        MACIBM_setupforlang();
        EXPECT_EQ(UTL_translate_string("Understood", 0), "Understood") << "language " << tableless;
    }
    mnw.language = 0;
    MACIBM_setupforlang();
}

TEST(startup_steps, RussianIsCondensedAlsoInTheFacesTheChooserLoaded)
{
    mnw.language = 0;
    MACIBM_setupforlang();
    const float full = OGL_measure_char(0x416, charset_regular);
    mnw.language = 3;
    MACIBM_setupforlang();
    EXPECT_FLOAT_EQ(OGL_measure_char(0x416, charset_regular), 0.9f * full);
    mnw.language = 0;
    MACIBM_setupforlang();
}

}  // namespace
