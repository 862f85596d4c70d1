// The wizard's decisions that need no window: which screen follows a frame,
// the progress fill, where skin captions land, the command line and the
// DVD relaunch test, and the disk-space readout's text.
#include <gtest/gtest.h>

#include "core/text/translation.h"
#include "wizard/options_window.h"
#include "wizard/move_off_dvd.h"
#include "wizard/program_entry.h"
#include "wizard/shared_screens.h"
#include "wizard/skin_buttons.h"
#include "wizard/wizard_screen.h"

namespace {

int screen_a(int, wizard_screen&) { return 0; }
int screen_b(int, wizard_screen&) { return 0; }
int screen_c(int, wizard_screen&) { return 0; }
int screen_d(int, wizard_screen&) { return 0; }

TEST(WizardSwitch, DoneBeatsBackBeatsContinueBeatsChoice)
{
    wizard_screen rec;
    rec.next = screen_b;
    rec.back = screen_c;
    wizard_frame_events ev;
    ev.has_choice = true;
    ev.chosen = screen_d;
    EXPECT_EQ(wizard_next_screen(screen_a, rec, ev), screen_d);
    ev.continue_clicked = true;
    EXPECT_EQ(wizard_next_screen(screen_a, rec, ev), screen_b);
    ev.back_clicked = true;
    EXPECT_EQ(wizard_next_screen(screen_a, rec, ev), screen_c);
    ev.screen_result = 1;
    EXPECT_EQ(wizard_next_screen(screen_a, rec, ev), screen_b) << "done beats GO BACK";
}

TEST(WizardSwitch, DimmedButtonsAndDoneWithoutNextChangeNothing)
{
    wizard_screen rec;
    wizard_frame_events ev;
    ev.continue_clicked = true;
    ev.back_clicked = true;
    ev.screen_result = 1;
    EXPECT_EQ(wizard_next_screen(screen_a, rec, ev), screen_a);
    ev = {};
    ev.has_choice = true;  // a choice of no screen ends the program
    EXPECT_EQ(wizard_next_screen(screen_a, rec, ev), nullptr);
}

TEST(WizardProgress, FillAlwaysShowsAStubAndStopsAtTheTroughsEnd)
{
    EXPECT_NEAR(wizard_progress_right(0.0f) - 240.0f, 20.8f, 1e-4f);
    EXPECT_FLOAT_EQ(wizard_progress_right(0.5f), 510.4f);
    EXPECT_FLOAT_EQ(wizard_progress_right(1.0f), 760.0f);
    EXPECT_FLOAT_EQ(wizard_progress_right(7.0f), 760.0f);
}

TEST(SkinButtons, CaptionsLandWhereTheirAlignmentPutsThem)
{
    skin_button_box b = skin_button_geometry(0, 770, 12, cap_continue, -1);
    EXPECT_FLOAT_EQ(b.left, 669);
    EXPECT_FLOAT_EQ(b.right, 770);
    EXPECT_EQ(b.frame_width, 121);
    EXPECT_FLOAT_EQ(b.top, 34);
    b = skin_button_geometry(0, 30, 12, cap_quit, 1);
    EXPECT_FLOAT_EQ(b.left, 30);
    EXPECT_FLOAT_EQ(b.right, 86);
    EXPECT_EQ(b.frame_width, 76);
    b = skin_button_geometry(2, 400, 12, cap_options, 0);
    EXPECT_FLOAT_EQ(b.right - b.left, 97);
    EXPECT_EQ(b.frame_width, 117);
    EXPECT_FLOAT_EQ(b.s_left, 762.0f / 1024.0f);
    EXPECT_FLOAT_EQ(b.s_right, 859.0f / 1024.0f);
    b = skin_button_geometry(9, 0, 0, cap_quit, 1);
    EXPECT_FLOAT_EQ(b.right, 56) << "an unknown language takes the English skin";
}

// Tests click these places by name, so they must be where the bar draws
// its buttons and never on top of one another.
TEST(SkinButtons, BarButtonsLieApartInsideTheWindowInEveryLanguage)
{
    using namespace button_bar;
    for (int l = 0; l < 6; ++l)
        for (bool last : {false, true}) {
            std::vector<skin_button_box> row;
            for (button b : {quit, options, buy_online, go_back, last ? last_quit : next})
                row.push_back(place(l, b, last));
            for (size_t i = 0; i < row.size(); ++i) {
                EXPECT_GE(row[i].left - 10, 0) << l << " " << i;
                EXPECT_LE(row[i].right + 10, 800) << l << " " << i;
                if (i > 0) {
                    EXPECT_LE(row[i - 1].right + 10, row[i].left - 10) << "language " << l << ", button " << i;
                }
            }
        }
    const skin_button_box next_box = place(0, next);
    EXPECT_FLOAT_EQ(place(0, go_back).right, 760 - next_box.frame_width) << "GO BACK keeps its gap to CONTINUE";
    EXPECT_FLOAT_EQ(place(0, go_back, true).right, 760 - place(0, last_quit).frame_width);
    EXPECT_FLOAT_EQ(place(4, buy_online).centre_x(), 360);
}

TEST(SkinButtons, CutsRiseWithinEveryLanguage)
{
    for (int l = 0; l < 6; ++l)
        for (int c = 0; c < 7; ++c) EXPECT_LT(btn_cuts[c][l], btn_cuts[c + 1][l]) << l << " " << c;
}

TEST(ProgramEntry, PathMustBeTheFirstArgumentExactly)
{
    const char* a1[] = {"prog", "-path", "/home/pilot/sim/"};
    EXPECT_EQ(path_argument(3, a1), "/home/pilot/sim/");
    const char* a2[] = {"prog", "-path"};
    EXPECT_EQ(path_argument(2, a2), "");
    const char* a3[] = {"prog", "/x/", "-path"};
    EXPECT_EQ(path_argument(3, a3), "");
    const char* a4[] = {"prog", "-PATH", "/x/"};
    EXPECT_EQ(path_argument(3, a4), "");
    const char* a5[] = {"prog", "-path", "/x/", "/y/", "--lang=en"};
    EXPECT_EQ(path_argument(5, a5), "/x/");
}

TEST(ProgramEntry, SkinByLanguage)
{
    EXPECT_EQ(skin_texture_for_language(4), "RESOURCE:elements_Italian.png");
    EXPECT_EQ(skin_texture_for_language(3), "RESOURCE:elements_Russian.png");
    EXPECT_EQ(skin_texture_for_language(-1), "RESOURCE:elements_English.png");
    EXPECT_EQ(skin_texture_for_language(6), "RESOURCE:elements_English.png");
}

TEST(ProgramEntry, OnlyARealDvdMountMakesTheProgramRelaunch)
{
    EXPECT_TRUE(runs_from_dvd("/media/cdrom/Installer", "/media/cdrom/"));
    EXPECT_TRUE(runs_from_dvd("/media/cd", "/media/cdrom/")) << "the shorter length decides";
    EXPECT_FALSE(runs_from_dvd("/home/u/Installer", "/media/cdrom/"));
    EXPECT_FALSE(runs_from_dvd("/home/u/Installer", ""));
    EXPECT_FALSE(runs_from_dvd("/tmp/Installer", "/")) << "the root holds every program";
    EXPECT_FALSE(runs_from_dvd("", "/media/cdrom/")) << "a program whose path is unknown";

    EXPECT_TRUE(moves_off_dvd("/media/cdrom/Installer", "/media/cdrom/", "/tmp/"));
    EXPECT_TRUE(moves_off_dvd("/tmp/disk/Installer", "/tmp/disk/", "/tmp/"));
    EXPECT_FALSE(moves_off_dvd("/tmp/Installer", "/media/cdrom/", "/tmp/")) << "the copy itself";
    EXPECT_FALSE(moves_off_dvd("/tmp/Installer", "/tmp/", "/tmp/"))
        << "a disk that holds the temporary folder: the copy would move on for ever";
    EXPECT_FALSE(moves_off_dvd("/tmp/Inst", "/tmp/Installer/", "/tmp/"))
        << "the copy would agree with the disk as well";
}

TEST(ProgramEntry, ProgramFileName)
{
    EXPECT_EQ(program_file_name("/media/cdrom/Installer"), "Installer");
    EXPECT_EQ(program_file_name("/media/cdrom/Installer/"), "Installer/");
    EXPECT_EQ(program_file_name("Installer"), "Installer");
}

TEST(InstalledCopies, ParentFolderWalksUpToTheRoot)
{
    EXPECT_EQ(parent_folder("/home/pilot/sim/Resources/"), "/home/pilot/sim/");
    EXPECT_EQ(parent_folder("/home/"), "/");
    EXPECT_EQ(parent_folder("/"), "/");
    EXPECT_EQ(parent_folder("nofolder"), "");
    EXPECT_EQ(parent_folder(""), "");
}

TEST(RunRoad, SimulatorIsTheCopyFolderAndTheExecutableName)
{
    EXPECT_EQ(simulator_path("/home/pilot/sim/"), "/home/pilot/sim/Nimbrel-i686");
}

TEST(DiskSpace, SizesSentenceAndAnswer)
{
    UTL_translate_clear();
    bool enough = false;
    std::string text = disk_space_text(10000000000ull, 5000000000ull, 1000, "ok", "short", &enough);
    EXPECT_EQ(text,
              "Disk size: 9.5 GB\nFree disk space: 4.8 GB\nDisk space needed to install: "
              "1000 KB\n\nok");
    EXPECT_TRUE(enough);
    text = disk_space_text(2048000, 1024000, 1024, "ok", "short", &enough);
    EXPECT_NE(text.find("Free disk space: 1024 KB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\nok"), std::string::npos) << "equality shows the enough text";
    EXPECT_FALSE(enough) << "but equality is not enough";
    disk_space_text(2048000, 999, 0, "ok", "short", &enough);
    EXPECT_FALSE(enough) << "under 1000 free bytes is nothing free";
    text = disk_space_text(2048000, 1000, 5, "ok", "short", &enough);
    EXPECT_NE(text.find("short"), std::string::npos);
}

TEST(Options, ProxyPortOutsideTheRangeMeansNoProxy)
{
    EXPECT_EQ(proxy_port_from_text("8080"), 8080);
    EXPECT_EQ(proxy_port_from_text("65535"), 65535);
    EXPECT_EQ(proxy_port_from_text("65536"), 0);
    EXPECT_EQ(proxy_port_from_text("0"), 0);
    EXPECT_EQ(proxy_port_from_text("-1"), 0);
    EXPECT_EQ(proxy_port_from_text("80a"), 0) << "never 65535 from a -1";
    EXPECT_EQ(proxy_port_from_text("8-0"), 0);
}

}  // namespace
