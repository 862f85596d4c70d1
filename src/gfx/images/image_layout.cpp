#include "gfx/images/image_layout.h"

#include <cstdlib>
#include <cstring>

#include "core/shell_hooks.h"
#include "gfx/images/image_desc.h"

bool TEX_image_size_ok(long long dx, long long dy)
{
    return dx > 0 && dy > 0 && dx <= TEX_max_image_side && dy <= TEX_max_image_side &&
           dx * dy <= TEX_max_image_pixels;
}

int picture_bytes_per_pixel(unsigned int format)
{
    return format == GL_ALPHA || format == GL_RGB || format == GL_RGBA ? TEX_bytes_per_pixel(format) : 0;
}

int TEX_power_of_two(int n)
{
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

bool plan_decoded_rows(const std::string& path, int dx, int dy, int bytes_per_pixel,
                       int row_width, int power_of_two, decoded_rows& plan)
{
    plan = decoded_rows();
    plan.bytes_per_pixel = bytes_per_pixel;
    plan.rows = dy;
    if (power_of_two) {
        plan.pad = bytes_per_pixel * (TEX_power_of_two(dx) - dx);
        plan.rows = TEX_power_of_two(dy);
        plan.zero_fill = plan.pad > 0 || dy < plan.rows;
    } else if (row_width) {
        if (row_width < dx || row_width > TEX_max_image_side) {
            __MACIBM_alert(0, "Picture does not fit its row width!",
                           "Width " + std::to_string(dx) + ", row width " + std::to_string(row_width) + ".",
                           "", path, 2, __FILE__, __LINE__);
            return false;
        }
        plan.pad = bytes_per_pixel * (row_width - dx);
    }
    plan.stride = size_t(bytes_per_pixel) * dx + plan.pad;
    plan.bytes = plan.stride * plan.rows;
    return true;
}

bool claim_decoded_buffer(const std::string& path, const decoded_rows& plan,
                          unsigned char*& data, bool& allocated)
{
    allocated = false;
    if (!data) {
        data = static_cast<unsigned char*>(std::malloc(plan.bytes ? plan.bytes : 1));
        if (!data) {
            __MACIBM_alert(0, "Not enough memory for picture!",
                           std::to_string(plan.bytes) + " bytes wanted.", "", path, 2, __FILE__,
                           __LINE__);
            return false;
        }
        allocated = true;
    }
    if (plan.zero_fill) std::memset(data, 0, plan.bytes);
    return true;
}
