// Text drawn with FreeType from the program's own two faces (regular and
// bold), so that every caption of every language, accents and Cyrillic
// included, is drawn by the same glyphs the program shows at run time.
#pragma once

#include <string>

#include "canvas.h"

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

namespace art {

enum class face_style { regular, bold };

class text_raster {
public:
    text_raster();
    ~text_raster();
    text_raster(const text_raster&) = delete;
    text_raster& operator=(const text_raster&) = delete;

    // Opens both faces; false, with `error` naming the file, on failure.
    bool open(const std::string& regular_path, const std::string& bold_path, std::string& error);

    // Width in pixels of a UTF-8 text at `size` pixels per em.
    float measure(const std::string& text, face_style style, float size);
    // Height above the baseline of the face's capital letters at `size`.
    float cap_height(face_style style, float size);
    // Draws the text with its baseline at y, starting at x.
    void draw(canvas& c, float x, float baseline, const std::string& text, face_style style,
              float size, const rgba& colour);

private:
    FT_Face face(face_style style) const { return style == face_style::bold ? bold_ : regular_; }
    bool set_size(FT_Face f, float size);

    FT_Library library_ = nullptr;
    FT_Face regular_ = nullptr;
    FT_Face bold_ = nullptr;
};

// The code points of a UTF-8 text; a malformed byte stands for itself, so
// no input can stop the walk.
std::u32string decode_utf8(const std::string& text);

}  // namespace art
