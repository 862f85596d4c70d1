// The colour table: the program's named drawing colours by index, a colour
// ramp for drawing values as colours, the light levels of the interface and
// the gamma table that maps image values to display values.
#pragma once

class colr_class {
public:
    // Slots 0 to 108 are the named colours.  The frame clock also keeps its
    // pulse in the first component of slot 111, which the text editor reads
    // as its caret's alpha; the table reaches that far so the pulse lands
    // in a colour slot instead of on the fields after the table.
    static constexpr int colour_count = 112;
    static constexpr int ramp_steps = 1000;

    colr_class();

    // The caller keeps `index` below colour_count.
    void assign(int index, float r, float g, float b);
    // Mode 0: red through orange, yellow, green and blue to violet; modes 1
    // to 3: black to pure red, green or blue.  Other modes change nothing.
    void spectrum_init(int mode);
    // Draws the legend of the ramp for values from `low` to `high` and
    // remembers that range; it lives with the text readouts, which draw it.
    void spectrum_plotscale(float x, float y, float low, float high, int n);
    // The interface is never drawn darker than three quarters.
    void set_lites_for_interface();

    double gamma_a = 1.8;        // the gamma images are assumed to carry
    double gamma_b = 2.2;        // the display's gamma
    int gamma_differs = 0;       // 1 when images need correcting for the display
    unsigned char gamma_table[256] = {};
    float colours[colour_count][3] = {};
    float lights[6] = {};        // the first, third and fifth light red, green and blue
    float ramp_low = 0;
    float ramp_high = 0;
    float ramp_span = 0;
    float ramp[ramp_steps][3] = {};
};

// The stops of ramp mode 0: red, orange, yellow, green, blue, violet.
extern const float roygbv_rgb_loc[6][3];

extern colr_class colr;
