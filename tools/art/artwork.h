// The pictures the program carries built in, each drawn from nothing: the
// widget sheet, the language skins, the wizard's background and the world
// map of the scenery screens.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "coastline.h"
#include "gfx/sheet_layout.h"
#include "text_raster.h"

namespace art {

// The canvas box of a sheet rectangle (sheet y counts up from the bottom).
box sheet_box(const sheet_layout::rect& r, int sheet_height);

// "interface.png", 512 by 512.
canvas draw_widget_sheet();

// "elements_<Language>.png", 1024 by 128, for language 0 to 5.  false, with
// `error` naming the caption, when a caption cannot be made to fit its
// columns.
bool draw_skin(int language, text_raster& text, canvas& out, std::string& error);
// The file-name part of each language's skin: "English", "French", ...
const char* skin_language_name(int language);
// What each caption of a language says, in capitals, as UTF-8.
const char* skin_caption(int language, int caption);
// The type size, in pixels, at which the captions of a language fit their
// columns, every caption of a language at the same size.
float skin_caption_size(int language, text_raster& text);

// "background.png", 800 by 600.
canvas draw_background(text_raster& text);

// "map.png", 504 by 756: three looks of the world, one above the other.
canvas draw_world_map(const std::vector<shore_segment>& shorelines);

}  // namespace art
