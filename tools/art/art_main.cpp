// Draws the program's built-in pictures into a folder:
//
//   nimbrel-art --out DIR --fonts DIR --shorelines FILE
//
// --fonts names the folder of the DejaVu faces the program carries and
// --shorelines the coastline dump of GMT ("gmt coast -Rd -W -M").  Exits
// with 1 and a line naming what failed and with which file.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "artwork.h"

namespace {

int fail(const std::string& what)
{
    std::fprintf(stderr, "nimbrel-art: %s\n", what.c_str());
    return 1;
}

bool read_whole(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv)
{
    std::string out, fonts, shorelines_path;
    if (argc % 2 == 0) return fail("every option takes a value");
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--out")) out = argv[i + 1];
        else if (!std::strcmp(argv[i], "--fonts")) fonts = argv[i + 1];
        else if (!std::strcmp(argv[i], "--shorelines")) shorelines_path = argv[i + 1];
        else return fail(std::string("unknown option ") + argv[i]);
    }
    if (out.empty() || fonts.empty() || shorelines_path.empty())
        return fail("usage: nimbrel-art --out DIR --fonts DIR --shorelines FILE");
    out += "/";

    std::string error;
    art::text_raster text;
    if (!text.open(fonts + "/DejaVuSans.ttf", fonts + "/DejaVuSans-Bold.ttf", error))
        return fail(error);

    std::string dump;
    if (!read_whole(shorelines_path, dump)) return fail("could not read " + shorelines_path);
    std::vector<art::shore_segment> shorelines;
    if (!art::parse_shorelines(dump, shorelines, error))
        return fail(shorelines_path + ": " + error);

    const auto save = [&](const art::canvas& c, const std::string& name) {
        return c.save_png(out + name, error);
    };
    if (!save(art::draw_widget_sheet(), "interface.png") ||
        !save(art::draw_background(text), "background.png") ||
        !save(art::draw_world_map(shorelines), "map.png"))
        return fail(error);
    for (int language = 0; language < sheet_layout::language_count; ++language) {
        art::canvas skin(sheet_layout::skin_width, sheet_layout::skin_height);
        if (!art::draw_skin(language, text, skin, error) ||
            !save(skin, std::string("elements_") + art::skin_language_name(language) + ".png"))
            return fail(error);
    }
    return 0;
}
