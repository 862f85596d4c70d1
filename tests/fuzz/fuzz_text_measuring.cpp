// Text from translations, file names and typing is measured, fitted and
// broken into lines without trust: every step must stay inside the bytes.
// Numbers of any bit pattern must give a readout that ends.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/fonts/fonts.h"
#include "gfx/fonts/text_drawing.h"
#include "gfx/fonts/utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The fuzz build carries no built-in files: the faces come from disk.
    static const bool faces_from_disk = [] {
        fnames[0] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        fnames[1] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
        return true;
    }();
    (void)faces_from_disk;
    if (size < 6) return 0;

    float width;
    std::memcpy(&width, data, sizeof width);
    const charset_t cs = (data[4] & 1) ? charset_bold : charset_regular;
    const int fixed_advance = data[5] % 3 == 0 ? 10 : 0;
    // A block of exactly the text's size, so a step past it is caught.
    const std::vector<unsigned char> text(data + 6, data + size);
    const unsigned char* begin = text.data();
    const unsigned char* end = begin + text.size();

    OGL_measure_range(begin, end, cs);
    const unsigned char* fwd = OGL_fit_forward(begin, end, width, cs);
    const unsigned char* rev = OGL_fit_reverse(begin, end, width, cs);
    if (fwd < begin || fwd > end || rev < begin || rev > end) __builtin_trap();
    for (const unsigned char* p = end; p > begin;) p = utf8_prev(begin, p);

    OGL_font_info& face = OGL_font_face(cs);
    for (const unsigned char* p = begin; p < end;) {
        const OGL_font_line line = OGL_font_break_line(face, p, end, width, fixed_advance);
        if (line.next <= p || line.next > end || line.end > line.next) __builtin_trap();
        p = line.next;
    }

    char readout[OGL_number_text_size];
    OGL_number_text(width, data[4] % 50 - 5, data[5] % 50 - 5, readout);
    OGL_number_cell cells[OGL_number_cells_max];
    OGL_number_cells(width, data[4] % 50 - 5, data[5] % 50 - 5, cells);
    return 0;
}
