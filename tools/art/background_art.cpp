// The wizard's background: a calm sky from deep blue above to a hazy blue
// at the horizon, with the product's name above the two panels.
#include <cmath>

#include "artwork.h"

namespace art {

namespace {

constexpr int width = 800, height = 600;
// The wizard's panels start 96 rows below the top (the window is 600
// high and the panels end at y 503): the name stands in that band.
constexpr float name_baseline = 62.0f;
constexpr float name_left = 26.0f;

}  // namespace

canvas draw_background(text_raster& text)
{
    canvas c(width, height);
    const rgba zenith = rgb8(17, 40, 72), middle = rgb8(48, 88, 132), horizon = rgb8(150, 182, 208);
    for (int y = 0; y < height; ++y) {
        const float t = (y + 0.5f) / height;
        // Eased so the darker blue holds through the top and the haze
        // gathers low, where the buttons stand.
        const rgba row = t < 0.55f ? mix(zenith, middle, std::pow(t / 0.55f, 1.2f))
                                   : mix(middle, horizon, std::pow((t - 0.55f) / 0.45f, 1.6f));
        for (int x = 0; x < width; ++x) {
            // A faint glow behind the name.
            const float dx = (x - 170.0f) / 420.0f, dy = (y - 40.0f) / 220.0f;
            const float glow = 0.10f * std::exp(-(dx * dx + dy * dy) * 2.0f);
            c.put(x, y, mix(row, rgb8(255, 255, 255), glow));
        }
    }

    const float name_size = 44.0f, word_size = 26.0f;
    const rgba shadow{0, 0, 0, 0.35f};
    text.draw(c, name_left + 1, name_baseline + 2, "Nimbrel", face_style::bold, name_size, shadow);
    text.draw(c, name_left, name_baseline, "Nimbrel", face_style::bold, name_size,
              rgb8(255, 255, 255));
    const float word_x = name_left + text.measure("Nimbrel", face_style::bold, name_size) + 12.0f;
    text.draw(c, word_x + 1, name_baseline + 2, "Installer", face_style::regular, word_size, shadow);
    text.draw(c, word_x, name_baseline, "Installer", face_style::regular, word_size,
              rgb8(182, 210, 238));
    const float word_end = word_x + text.measure("Installer", face_style::regular, word_size);
    stroke_line(c, {name_left, name_baseline + 12.5f}, {word_end, name_baseline + 12.5f}, 1,
                solid(rgb8(255, 255, 255, 0.3f)));
    return c;
}

}  // namespace art
