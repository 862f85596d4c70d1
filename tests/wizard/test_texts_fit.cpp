// The texts fit the room their screens give them, in every language, as the
// program's own faces measure them: each step name within its line of the
// step list (in bold, as the current step shows), and the texts above the
// world map in the lines above its top.
#include <gtest/gtest.h>

#include <sstream>

#include "core/files/resources.h"
#include "core/text/translation.h"
#include "gfx/fonts/fonts.h"
#include "shell/mnw_state.h"
#include "shell/shutdown.h"
#include "wizard/demo_road.h"
#include "wizard/dvd_road.h"
#include "wizard/update_road.h"
#include "wizard/world_map.h"

#include "main_window_test.h"

namespace {

class texts_fit : public road_test, public testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        road_test::SetUp();
        mnw.language = GetParam();
        MACIBM_setupforlang();  // the language's table, as start-up loads it
    }
    void TearDown() override
    {
        mnw.language = 0;
        MACIBM_setupforlang();
        road_test::TearDown();
    }
};

TEST_P(texts_fit, StepNamesTakeOneLineAndTextsStayAboveTheMap)
{
    for (screen_fn road : {demo_start, dvd_start, dvd_pick_repair, dvd_pick_scenery, net_start}) {
        wizard_screen record;
        road(1, record);
        for (const std::string& step : step_names)
            EXPECT_LE(OGL_measure_string(step, charset_bold), 170) << step;
    }
    // The text's lines go down from y 440, their letters reaching 4 below.
    const int above_the_map = 1 + static_cast<int>((440 - 5 - kMapTop) / OGL_wrapped_line_step);
    for (screen_fn map_screen : {dvd_scenery_install, dvd_edit_scenery}) {
        wizard_screen record;
        map_screen(1, record);
        EXPECT_LE(OGL_count_lines(record.text, 540, charset_regular), above_the_map) << record.text;
    }
}

// The disk-space readout's sentence has the two lines between the sizes
// and the panel's foot.
TEST_P(texts_fit, DiskSpaceSentencesTakeTwoLinesAtMost)
{
    int size = 0;
    const char* table = UTL_resource_get_memory("German.txt", size);  // every English text, in order
    std::istringstream lines(std::string(table, size));
    int sentences = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("STRING You ", 0) != 0 || line.find(" free disk space ") == std::string::npos) continue;
        const std::string english = line.substr(7, line.find("====") - 7);
        ++sentences;
        EXPECT_LE(OGL_count_lines(UTL_translate_string(english, 0), 560, charset_regular), 2)
            << UTL_translate_string(english, 0);
    }
    EXPECT_EQ(sentences, 12);
}

INSTANTIATE_TEST_SUITE_P(languages, texts_fit, testing::Values(0, 1, 2, 3, 4));

}  // namespace
