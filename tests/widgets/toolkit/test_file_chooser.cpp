// The file chooser's rules without its frame loop: start folders, the
// folder part of a path, Save names, the folder pop-up, the listing per
// file kind, and the preview's readers and drawing.
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/files/folder_listing.h"
#include "core/files/xmap.h"
#include "shell/menus.h"
#include "test_support.h"
#include "widget_test_state.h"
#include "widgets/file_chooser.h"
#include "widgets/popup_list.h"

using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

using names_t = std::vector<std::string>;

TEST(FileChooserPaths, FolderPartSkipsATrailingSlashOnlyPastTwoCharacters)
{
    EXPECT_EQ(opensave_folder_part("Output/movies/"), "Output/");
    EXPECT_EQ(opensave_folder_part("Output/"), "");
    EXPECT_EQ(opensave_folder_part("Output/movies/take.smo"), "Output/movies/");
    EXPECT_EQ(opensave_folder_part("a/"), "a/") << "Delete in a one-letter folder stays there";
    EXPECT_EQ(opensave_folder_part("take.smo"), "");
    EXPECT_EQ(opensave_folder_part(""), "");
    EXPECT_EQ(opensave_folder_part("/"), "/");
}

TEST(FileChooserPaths, StartFolders)
{
    EXPECT_EQ(opensave_start_folder("", 10), "Output/movies/");
    EXPECT_EQ(opensave_start_folder("", 0), "");
    EXPECT_EQ(opensave_start_folder("", 13), "Vorlane Output/tracks/");
    EXPECT_EQ(opensave_start_folder("", 15), "Brightholm Resources/spaceships/")
        << "the spaceships live beside the regions, in the folder spelt right";
    EXPECT_EQ(opensave_start_folder("", 21), "sim/");
    EXPECT_EQ(opensave_start_folder("Output/movies/take.smo", 0), "Output/movies/");
    EXPECT_EQ(opensave_start_folder("Output/movies/", 10), "Output/");
    EXPECT_EQ(opensave_start_folder("take.smo", 10), "") << "no '/': the program's folder";
    EXPECT_EQ(opensave_start_folder("sim/view/left", 21), "sim/view/");
}

TEST(FileChooserPaths, SaveNamesLoseAThreeLetterExtensionAndGetTheKindsOwn)
{
    EXPECT_EQ(opensave_save_name("notes.txt", 19), "notes.TXT");
    EXPECT_EQ(opensave_save_name("notes", 19), "notes.TXT");
    EXPECT_EQ(opensave_save_name("a.tx", 19), "a.tx.TXT") << "four characters keep their '.'";
    EXPECT_EQ(opensave_save_name(".txt", 19), ".txt.TXT");
    EXPECT_EQ(opensave_save_name("film.avi", 0), "film");
    EXPECT_EQ(opensave_save_name("v1.2.smo", 10), "v1.2.SMO");
    EXPECT_EQ(opensave_save_name("tracks", 8), "tracks") << "flight data adds nothing";
}

TEST(FileChooserLevels, PopUpItemsEntriesAndTheirNames)
{
    chooser_levels l = opensave_levels("Output/movies/");
    EXPECT_EQ(l.items, "N System folder-Output-movies");
    EXPECT_EQ(l.entries, (names_t{"", "Output/", "Output/movies/"}));
    EXPECT_EQ(l.shown, (names_t{"Output", "movies"}));

    l = opensave_levels("");
    EXPECT_EQ(l.items, "N System folder");
    EXPECT_EQ(l.entries, names_t{""});

    l = opensave_levels("my-sim/a|b/");
    EXPECT_EQ(l.shown[0], "my sim");
    EXPECT_EQ(l.entries[1], "my-sim/") << "the path keeps its '-'";
    EXPECT_EQ(l.entries[2], "my-sim/a|b/");
    EXPECT_EQ(l.items.find('|'), std::string::npos) << l.items;
}

class file_chooser_popup : public widget_test {
protected:
    void SetUp() override
    {
        widget_test::SetUp();
        MACIBM_clear_menus(1);
    }
};

TEST_F(file_chooser_popup, HostileFolderNamesAndDepthsNeverEndTheProgram)
{
    std::string deep;
    for (int i = 0; i < 400; ++i) deep += "d/";
    const chooser_levels l = opensave_levels(deep);
    ASSERT_EQ(l.entries.size(), 300u) << "the program's folder and 299 levels";
    EXPECT_EQ(l.entries.back(), deep) << "the last entry stands for every deeper level";
    for (const std::string& folder : {deep, std::string("a|b/c-d/|/")}) {
        int level = 0;
        BTN_textlist(150, 434, &level, opensave_levels(folder).items, "");
    }
    EXPECT_EQ(alerts.first_lines(), names_t{});
}

TEST_F(file_chooser_popup, BadArgumentsAreFatalAndNameTheirCaller)
{
    std::string path = "kept";
    EXPECT_EQ(BTN_opensave(997, 0, &path), 0);
    EXPECT_EQ(BTN_opensave(998, 22, &path), 0);
    EXPECT_EQ(BTN_opensave(999, -1, &path), 0);
    EXPECT_EQ(alerts.first_lines(), (names_t{"Bad open_save arg to BTN_opensave!",
                                        "Bad file_type arg to BTN_opensave!",
                                        "Bad file_type arg to BTN_opensave!"}));
    EXPECT_EQ(path, "kept");
}

TEST(FileChooserListing, EachKindListsItsOwnFilesWhateverTheirCaseAndEveryFolder)
{
    scratch_dir dir;
    const char* files[] = {"a.bmp", "b.PNG", "c.Acf", "d.afl", "e.wpn", "f.wav", "g.obj",
                           "h.fdr", "i.sit", "j.smo", "k.fms", "l.tra", "m.car", "n.spa",
                           "o.reg", "p.dsf", "q.hgt", "r.TxT", "plain", ".hidden.txt"};
    for (const char* f : files) write_file(dir / f, "");
    write_file(dir / "Zfolder/inside.txt", "");
    write_file(dir / ".hidden/inside.txt", "");
    names_t names;
    std::vector<int> types;
    for (int kind = 3; kind <= 19; ++kind) {
        if (kind == kFileTypePanel) continue;
        opensave_getitems(dir.path(), kind, names, types);
        ASSERT_EQ(names.size(), 2u) << "kind " << kind;
        EXPECT_EQ(names[1], "Zfolder") << "kind " << kind;
        EXPECT_EQ(types[0], kind);
        EXPECT_EQ(types[1], 1);
    }
    opensave_getitems(dir.path(), 2, names, types);
    EXPECT_EQ(names, (names_t{"a.bmp", "b.PNG", "Zfolder"}));
    opensave_getitems(dir.path(), 1, names, types);
    EXPECT_EQ(names, names_t{"Zfolder"});
    opensave_getitems(dir.path(), 0, names, types);
    EXPECT_EQ(names.size(), 20u) << "every file and folder but the hidden ones";

    // "" is the program's folder to the dialog, the folder it runs in.
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    EXPECT_EQ(opensave_list("", 0, names, types), 20);
    ASSERT_EQ(::chdir(cwd), 0);
}

// -- The preview ---

// An aircraft file: the binary header (byte order letter, version), then
// the record with texts at its offsets, cut to `size` bytes of record.
std::string aircraft(char order, int version, int size = BTN_aircraft_record_size)
{
    std::string bytes(1, order);
    for (int i = 0; i < 4; ++i) {
        const int shift = order == 'i' ? 8 * i : 8 * (3 - i);
        bytes += static_cast<char>((version >> shift) & 0xFF);
    }
    std::string record(BTN_aircraft_record_size, '\0');
    auto put = [&](int offset, const std::string& text) { record.replace(offset, text.size(), text); };
    put(1552, "Bravo Trainer");
    put(1052, "Two seats, one engine.");
    put(1012, "Test pilot");
    put(2052, std::string(40, 'Z'));  // runs to the end of the record, no NUL
    return bytes + record.substr(0, static_cast<size_t>(size));
}

xmap_class& map_of(xmap_class& map, const std::string& bytes)
{
    map.begin = map.pos = bytes.data();
    map.end = bytes.data() + bytes.size();
    map.is_resource = 1;  // not ours to unmap
    return map;
}

TEST(FileChooserPreview, TheAircraftRecordItsTextsAndItsIcon)
{
    unsigned char record[BTN_aircraft_record_size];
    for (char order : {'i', 'a'}) {
        const std::string bytes = aircraft(order, 8000);
        xmap_class map;
        std::memset(record, 0, sizeof record);
        ASSERT_TRUE(read_aircraft_record(map_of(map, bytes), record)) << order;
        EXPECT_EQ(aircraft_texts(record),
                  (names_t{"Bravo Trainer", "Two seats, one engine.", std::string(40, 'Z'), "Test pilot"}));
        map.begin = nullptr;
    }
    for (int refused : {800, 7000, 0}) {
        const std::string bytes = aircraft('i', refused);
        xmap_class map;
        EXPECT_FALSE(read_aircraft_record(map_of(map, bytes), record)) << refused;
        map.begin = nullptr;
    }
    EXPECT_EQ(aircraft_icon_path("Aircraft/Bravo/bravo.acf"), "Aircraft/Bravo/bravo_icon.png");
    EXPECT_EQ(aircraft_icon_path("odd.acfx"), "odd.acfx_icon.png");
    EXPECT_EQ(aircraft_icon_path(".acf"), ".acf_icon.png");
}

TEST(FileChooserPreview, AShortAircraftFileIsNotReadPastItsEnd)
{
    unsigned char record[BTN_aircraft_record_size] = {};
    for (int size : {0, 1, BTN_aircraft_record_size - 1}) {
        const std::string bytes = aircraft('i', 900, size);
        xmap_class map;
        EXPECT_FALSE(read_aircraft_record(map_of(map, bytes), record)) << size;
        map.begin = nullptr;
    }
    EXPECT_EQ(aircraft_texts(record), (names_t{"", "", "", ""}));
}

TEST(FileChooserPreview, TheFlightDataCommentLine)
{
    struct {
        std::string file, comment;
    } cases[] = {
        {"I\n1 version\nACFT, Aircraft/x.acf\nCOMM, Circuits at dawn\nTIME, 1\n", "Circuits at dawn"},
        {"A\n1\n\n  comm,\tlower case , kept \r\n", "lower case , kept "},
        {"I\n1\nACFT,x\r\n\r\n  \tCOMM,last", "last"},
        {"I\n1\nACFT, x\nTIME, 2\n", ""},
        {"I\n2\nCOMM, wrong version\n", ""},
        {"X\n1\nCOMM, wrong letter\n", ""},
        {"I\n1\nCOMM ,blank inside the field\n", ""},
        {"I\n1\nCOMM", ""},
        {"I\n1\nCOMM,", ""},
    };
    for (const auto& c : cases) {
        xmap_class map;
        EXPECT_EQ(read_flight_comment(map_of(map, c.file)), c.comment) << c.file;
        map.begin = nullptr;
    }
}

class file_chooser_preview : public widget_test {
protected:
    void SetUp() override
    {
        widget_test::SetUp();
        ASSERT_EQ(::getcwd(cwd, sizeof cwd), cwd);
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(::chdir(cwd), 0);
        widget_test::TearDown();
    }
    // The texts of the preview column.
    names_t frame(int open_save, int kind, const std::string& path)
    {
        ops.clear();
        stand_io_dialog(open_save, kind, path);
        names_t out;
        preview.clear();
        for (const widget_draw_op& op : texts())
            if (op.x1 == 341) {
                out.push_back(op.string);
                preview.push_back(op);
            }
        return out;
    }
    std::vector<widget_draw_op> preview;
    char cwd[4096];
    scratch_dir dir;
};

TEST_F(file_chooser_preview, ShowsTheRecordTextsAndReadsAFileOnlyWhenThePathChanges)
{
    write_file(dir / "Aircraft/bravo.acf", aircraft('i', 900));
    const names_t shown{"Bravo Trainer", "Two seats, one engine.", std::string(40, 'Z'), "Test pilot"};
    EXPECT_EQ(frame(998, 3, "Aircraft/bravo.acf"), shown);
    EXPECT_EQ(preview[0].y1, 405);
    write_file(dir / "Aircraft/bravo.acf", aircraft('i', 1));
    EXPECT_EQ(frame(998, 3, "Aircraft/bravo.acf"), shown) << "the same path is not read again";
    frame(998, 3, "Aircraft/");
    EXPECT_EQ(frame(998, 3, "Aircraft/bravo.acf"), (names_t{"", "", "", ""}))
        << "coming back reads it again, and its header is now refused";
    EXPECT_EQ(alerts.first_lines(), names_t{});
}

TEST_F(file_chooser_preview, ShortFilesAbsolutePathsAndOddNamesShowNothingAndEndNothing)
{
    write_file(dir / "short.acf", aircraft('i', 900, 100));
    write_file(dir / "a:b.acf", aircraft('i', 900));
    write_file(dir / "c\\d.fdr", "I\n1\nCOMM, hidden\n");
    EXPECT_EQ(frame(998, 3, "short.acf"), (names_t{"", "", "", ""}));
    EXPECT_EQ(frame(998, 3, dir / "short.acf"), (names_t{"", "", "", ""}));
    EXPECT_EQ(frame(998, 3, "a:b.acf"), (names_t{"", "", "", ""}));
    EXPECT_EQ(frame(998, 8, "c\\d.fdr"), names_t{});
    EXPECT_EQ(frame(998, 3, "-"), names_t{}) << "an empty listing previews nothing";
    EXPECT_EQ(alerts.first_lines(), names_t{});
}

TEST_F(file_chooser_preview, FlightDataShowsItsCommentAndTheSaveDialogNothing)
{
    write_file(dir / "Output/dawn.FDR", "I\n1\nCOMM, Circuits at dawn\n");
    EXPECT_EQ(frame(998, 8, "Output/dawn.FDR"), names_t{"Circuits at dawn"});
    EXPECT_EQ(preview[0].y1, 270);
    EXPECT_EQ(frame(999, 8, "Output/other.fdr"), names_t{});
    EXPECT_EQ(file_chooser.old_path, "Output/dawn.FDR") << "the Save dialog leaves it";
    EXPECT_EQ(frame(998, 3, "Output/dawn.FDR"), names_t{}) << "only kind 8 previews flight data";
}

}  // namespace
