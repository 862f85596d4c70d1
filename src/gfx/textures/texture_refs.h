// The texture references of the program's own pictures.  The texture
// manager keys every texture by a number its caller chooses; start-up loads
// these and the rest of the program binds them, so each is named here once.
#pragma once

namespace tex_ref {

inline constexpr int widget_sheet = 410;  // "interface.png": frames, boxes, cursors
inline constexpr int first_font = 411;    // the regular face's atlas; the bold one follows
inline constexpr int skin = 413;          // the language's skin: the bar's captions
inline constexpr int world_map = 414;     // "map.png"
inline constexpr int background = 415;    // "background.png"
inline constexpr int preview_icon = 427;  // the file chooser's aircraft icon
inline constexpr int blank_grey = 950;    // bound in place of a texture without an image

}  // namespace tex_ref
