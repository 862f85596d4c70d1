#include "screen_picture.h"

#include <cstdlib>
#include <sstream>

#include "test_support.h"

using namespace testing_support;

bool rgba::near(const rgba& o, int slack) const
{
    return std::abs(r - o.r) <= slack && std::abs(g - o.g) <= slack && std::abs(b - o.b) <= slack;
}

std::ostream& operator<<(std::ostream& out, const rgba& c)
{
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

picture picture::read(const std::string& png)
{
    picture p;
    const run_result size = run_program({"identify", "-format", "%w %h", png});
    std::istringstream words(size.out);
    int w = 0, h = 0;
    if (size.status != 0 || !(words >> w >> h) || w <= 0 || h <= 0) return p;

    scratch_dir dir;
    const std::string raw = dir / "pixels.rgba";
    if (run_program({"convert", png, "-depth", "8", "rgba:" + raw}).status != 0) return p;
    const std::string bytes = read_file(raw);
    if (bytes.size() != static_cast<size_t>(w) * h * 4) return p;
    p.width_ = w;
    p.height_ = h;
    p.bytes_.assign(bytes.begin(), bytes.end());
    return p;
}

rgba picture::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0, 0};
    const unsigned char* px = &bytes_[(static_cast<size_t>(y) * width_ + x) * 4];
    return {px[0], px[1], px[2], px[3]};
}

void pixel_differences::add(int x, int y, const rgba& got, const rgba& wanted)
{
    if (count_++ >= 4) return;
    std::ostringstream line;
    line << "  at (" << x << ", " << y << ") " << got << " where " << wanted << " belongs\n";
    first_ += line.str();
}

std::ostream& operator<<(std::ostream& out, const pixel_differences& d)
{
    return out << d.count_ << " pixels differ, the first:\n" << d.first_;
}

std::vector<place> find_opaque_texels(const picture& shot, const picture& sheet, const sheet_layout::rect& r)
{
    const int s0 = r.x0, t0 = r.y0, s1 = r.x1, t1 = r.y1;
    struct texel {
        int dx, dy;
        rgba colour;
    };
    std::vector<texel> opaque;
    for (int t = t1 - 1; t >= t0; --t)
        for (int s = s0; s < s1; ++s)
            if (sheet.texel(s, t).a == 255) opaque.push_back({s - s0, t1 - 1 - t, sheet.texel(s, t)});

    std::vector<place> found;
    if (opaque.empty()) return found;
    for (int y = 0; y + (t1 - t0) <= shot.height(); ++y)
        for (int x = 0; x + (s1 - s0) <= shot.width(); ++x) {
            bool all = true;
            for (const texel& o : opaque)
                if (!shot.at(x + o.dx, y + o.dy).same_colour(o.colour)) {
                    all = false;
                    break;
                }
            if (all) found.push_back({x, y});
        }
    return found;
}
