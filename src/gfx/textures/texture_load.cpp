// The texture load pipeline: choose the file, read and decode it, scale it
// to the resolution setting and the GPU, flip DDS chains, clean alpha
// edges, build mipmaps and upload.
//
// -- Failure and formats ---
// -- Reading the image ---
// -- Upload ---
// -- TEX_obj::load ---

#include <GL/gl.h>
#include <GL/glext.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/maker_site.h"
#include "core/files/file_ops.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "core/files/xmap.h"
#include "gfx/images/dds_codec.h"
#include "gfx/gl_state_cache.h"
#include "gfx/images/image_desc.h"
#include "gfx/images/image_files.h"
#include "gfx/images/image_header_size.h"
#include "gfx/images/image_layout.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/images/pixel_ops.h"
#include "gfx/shared_buffers.h"
#include "gfx/textures/texture_binding.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_object.h"

// -- Failure and formats ---

namespace {

bool is_power_of_two(int n)
{
    // Halving in floating point, as the sizes of every texture always were.
    double v = n;
    while (v > 1.0001) v *= 0.5;
    return v > 0.9999 && v < 1.0001;
}

bool on_main_thread() { return !THREAD_is_inited() || THREAD_is_main_thread(); }

// The pixel format a colour code asks for; `follow` when the PNG decides.
unsigned int wanted_format(int code, int& follow)
{
    follow = (code == 4 || code == 5);
    switch (code) {
    case 1: case 4: return GL_RGB;
    case 2: case 5: return GL_RGBA;
    case 3: return GL_ALPHA;
    case 6: return GL_DEPTH_COMPONENT;
    case 7: return GL_BGRA;
    default: return 0;
    }
}

GLint internal_format(unsigned int format, int flags)
{
    GLint internal = format == GL_BGRA ? GL_RGBA : format == GL_BGR ? GL_RGB : static_cast<GLint>(format);
    if (flags & tex_half_float) {
        if (internal == GL_RGB) internal = GL_RGB16F_ARB;
        else if (internal == GL_RGBA) internal = GL_RGBA16F_ARB;
        else if (internal == GL_ALPHA) internal = GL_ALPHA16F_ARB;
    }
    if (internal == GL_DEPTH_COMPONENT) internal = GL_DEPTH_COMPONENT24_ARB;
    if (flags & tex_sized) {
        if (internal == GL_RGB) internal = GL_RGB8;
        else if (internal == GL_RGBA) internal = GL_RGBA8;
    }
    return internal;
}

bool is_compressed(unsigned int format) { return format >= 0x83F0 && format <= 0x83F3; }

// -- Reading the image ---

// Decoding into the shared buffer: a picture that would not fit there is
// refused before a byte is written.
bool fits_scratch(const std::string& path, long long dx, long long dy, int bytes_per_pixel)
{
    // Sides are checked first, so the powers of two above them stay small.
    if (dx > 0 && dy > 0 && dx <= scratch_array_bytes && dy <= scratch_array_bytes) {
        const long long bytes = static_cast<long long>(TEX_power_of_two(static_cast<int>(dx))) *
                                TEX_power_of_two(static_cast<int>(dy)) * bytes_per_pixel;
        if (bytes <= scratch_array_bytes) return true;
    }
    xer << "WARNING: texture " << path << " is " << dx << " by " << dy
        << " pixels, too large for the image buffer; not loaded.\n";
    return false;
}

struct decoded_image {
    TEX_image_desc desc;
    unsigned char* pixels = nullptr;  // what is uploaded
    bool owned = false;               // malloc'd here, freed after the upload
    bool dds = false;
};

// Chooses, reads, decodes and sizes a picture file; false for "no image".
bool read_image_file(TEX_obj& obj, std::string path, float scale_limit, int follow_alpha,
                     unsigned int wanted, decoded_image& image)
{
    // A DDS beside a PNG wins: it is the same picture, already compressed.
    if (path.size() > 4 && path[path.size() - 4] == '.') {
        const std::string stem = path.substr(0, path.size() - 4);
        for (const char* ext : {".dds", ".png", ".bmp"})
            if (file_exists(stem + ext)) {
                path = stem + ext;
                break;
            }
    }
    xmap_class map(path);
    if (!map.begin || map.size() < 8) return false;

    unsigned char* buffer = (obj.flags & tex_into_scratch) ? scratch_array : nullptr;
    const bool into_scratch = buffer != nullptr;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(map.begin);
    int ok = 0;
    unsigned char* dds_data = nullptr;
    if (std::memcmp(bytes, "DDS ", 4) == 0) {
        ok = TEX_load_dds(path, &map, dds_data, image.desc) && image.desc.has_mipmaps;
        image.dds = true;
    } else {
        const bool bmp = bytes[0] == 'B' && bytes[1] == 'M';
        if (!bmp && png_sig_cmp(bytes, 0, 8) != 0) return false;
        if (into_scratch) {
            long long dx = 0, dy = 0;
            const int bpp = wanted == GL_ALPHA ? 1 : 4;  // RGB may turn RGBA by the file's alpha
            if (!TEX_peek_image_size(map.begin, map.size(), dx, dy) || !fits_scratch(path, dx, dy, bpp))
                return false;
        }
        ok = bmp ? TEX_load_bmp(path, &map, buffer, wanted, 0, 1, image.desc)
                 : TEX_load_png(path, &map, buffer, wanted, 0, 1, follow_alpha, image.desc);
        image.owned = ok && !into_scratch;
        image.pixels = buffer;
    }
    if (!ok) return false;

    const float s = TEX_get_scale(path, obj.flags, scale_limit, image.desc.dx, image.desc.dy,
                                  &obj.dx_vis, &obj.dy_vis, &obj.dx_tot, &obj.dy_tot, 2);
    if (s <= 0) {
        if (image.owned) std::free(image.pixels);
        return false;
    }
    float k = 1.0f / s;

    if (image.dds) {
        if (!is_power_of_two(image.desc.dx) || !is_power_of_two(image.desc.dy)) {
            __MACIBM_alert(0, "Error: the texture", path, "is DDS but its size is not power of 2.", "",
                           2, __FILE__, __LINE__);
            return false;
        }
        while (k > 1) {
            TEX_image_desc top = image.desc;
            top.has_mipmaps = 0;
            dds_data += TEX_bytes_needed_for_image(top);
            TEX_next_mip_level(image.desc.dx, image.desc.dy);
            k *= 0.5f;
        }
        const size_t chain = TEX_bytes_needed_for_image(image.desc);
        if (into_scratch && chain > static_cast<size_t>(scratch_array_bytes)) {
            fits_scratch(path, image.desc.dx, image.desc.dy, 4);
            return false;
        }
        if (!buffer) {
            buffer = static_cast<unsigned char*>(std::malloc(chain));
            if (!buffer) return false;
            image.owned = true;
        }
        std::memcpy(buffer, dds_data, chain);
        image.pixels = buffer;
        if (TEX_flip_y(image.desc, buffer) && image.desc.format == GL_COMPRESSED_RGB_S3TC_DXT1_EXT)
            image.desc.format = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
        image.desc.dx = obj.dx_tot;
        image.desc.dy = obj.dy_tot;
        return true;
    }

    if ((!is_power_of_two(image.desc.dx) || !is_power_of_two(image.desc.dy)) &&
        !(obj.flags & (tex_exact_size | tex_quiet_size)))
        xer << "WARNING: texture " << path << " has a size that is not a power of 2; it may not render correctly.\n";
    // The readers padded both sides to powers of two.
    image.desc.dx = TEX_power_of_two(image.desc.dx);
    image.desc.dy = TEX_power_of_two(image.desc.dy);
    image.desc.pad = 0;
    if (k != 1) {
        const int factor = static_cast<int>(k);
        TEX_downscale(image.desc, image.pixels, std::min(factor, image.desc.dx),
                      std::min(factor, image.desc.dy));
    }
    return true;
}

// -- Upload ---

// Binds for upload.  On the main thread through the bind cache, with one
// texture unit counted for the length of the bind.
void bind_for_upload(GLuint name, bool main_thread)
{
    if (!main_thread) {
        glBindTexture(GL_TEXTURE_2D, name);
        return;
    }
    const int saved = num_units;
    num_units = 1;
    if (saved == 0) glEnable(GL_TEXTURE_2D);
    TEX_bind_ref(static_cast<int>(name), 0, 0);
    if (saved == 0) glDisable(GL_TEXTURE_2D);
    num_units = saved;
}

void upload_levels(decoded_image& image, GLint internal, bool hardware_mipmaps,
                   bool update_in_place, bool software_mipmaps)
{
    // Rows of RGB and alpha images are not multiples of four bytes at the
    // small mip levels; GL's default alignment would read past each row.
    GLint saved_alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (hardware_mipmaps) glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);

    TEX_image_desc level = image.desc;
    level.has_mipmaps = 0;
    unsigned char* pixels = image.pixels;
    const bool compressed = is_compressed(level.format);
    for (int n = 0;; ++n) {
        const GLsizei size = static_cast<GLsizei>(TEX_bytes_needed_for_image(level));
        if (compressed)
            glExt.glCompressedTexImage2DARB(GL_TEXTURE_2D, n, level.format, level.dx, level.dy, 0, size,
                                            pixels);
        else if (update_in_place)
            glTexSubImage2D(GL_TEXTURE_2D, n, 0, 0, level.dx, level.dy, level.format, GL_UNSIGNED_BYTE,
                            pixels);
        else
            glTexImage2D(GL_TEXTURE_2D, n, internal, level.dx, level.dy, 0, level.format,
                         GL_UNSIGNED_BYTE, pixels);
        if (level.dx == 1 && level.dy == 1) break;
        if (image.desc.has_mipmaps) {
            pixels += size;
            TEX_next_mip_level(level.dx, level.dy);
        } else if (software_mipmaps) {
            TEX_downscale(level, pixels, level.dx >= 2 ? 2 : 1, level.dy >= 2 ? 2 : 1);
        } else {
            break;
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, saved_alignment);
}

void set_parameters(int flags, bool depth)
{
    const GLint clamp = glExt.tex_clamp_avail ? GL_CLAMP_TO_EDGE : GL_CLAMP;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (flags & (tex_clamp_st | tex_clamp_s)) ? clamp : GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, (flags & tex_clamp_st) ? clamp : GL_REPEAT);
    if (glExt.aniso_avail) glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
    if (flags & tex_nearest) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        (flags & tex_mipmaps) ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    if (depth) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    }
}

}  // namespace

// -- TEX_obj::load ---

bool TEX_obj::fail_load()
{
    dx_vis = dy_vis = dx_tot = dy_tot = 2;
    vram = 0;
    format = GL_RGB;
    int not_loaded = 0;
    loaded.compare_exchange_strong(not_loaded, 1);

    switch (fail) {
    case tex_fail_silent: return false;
    case tex_fail_scenery: tman.got_scene_load_fail(); break;
    case tex_fail_aircraft: tman.got_plane_load_fail(); break;
    case tex_fail_instl: tman.got_instl_load_fail(); break;
    case tex_fail_fatal:
        __MACIBM_alert(0, "Trying to load a texture that you do not have!",
                       "This smacks of a mis-installed copy of Nimbrel!",
                       "Get a new download from " NIMBREL_MAKER_HOST ". The missing file is:", path, 2,
                       __FILE__, __LINE__);
        return false;
    default: break;
    }
    xer << "WARNING: we are missing the texture: " << path << ".\n";
    return false;
}

bool TEX_obj::load()
{
    // Flags and colour code.
    if (flags < 0 || flags > tex_flags_max) {
        __MACIBM_alert(0, "Trying to bind an invalid filter type!", path, "value:", TEX_alert_number("%1.0f", flags), 2,
                       __FILE__, __LINE__);
        return false;
    }
    int follow_alpha = 0;
    const unsigned int wanted = wanted_format(flags & 0x7, follow_alpha);
    if (!wanted) {
        __MACIBM_alert(0, "BAD color enum for tman - see tman.h for valid colors!  We cannot pass 0.", "",
                       "", "", 2, __FILE__, __LINE__);
        return false;
    }

    // The in-memory picture's sizing writes the new sizes into the object
    // before they are compared: an in-place update must compare with the
    // storage GL holds now, or a grown picture is sent into the old one.
    const auto held_dx = dx_tot, held_dy = dy_tot;

    // The image: none, the in-memory picture, or a file.
    decoded_image image;
    if (path.empty()) return fail_load();
    if (path.compare(0, 13, "scratch_array") == 0) {
        if (!check_dxy(scratch_dx, path) || !check_dxy(scratch_dy, path)) return false;
        if (TEX_get_scale(path, flags, 1.0f, scratch_dx, scratch_dy, &dx_vis, &dy_vis, &dx_tot, &dy_tot, 1) <= 0)
            return false;
        image.desc.format = wanted;
        image.desc.dx = dx_tot;
        image.desc.dy = dy_tot;
        image.pixels = scratch_array;
    } else {
        std::string file = path;
        float scale_limit = 1.0f;
        if (TEX_evaluator* e = evaluator.load()) e->adjust_load(file, scale_limit);
        image.desc.format = wanted;
        if (!read_image_file(*this, file, scale_limit, follow_alpha, wanted, image)) return fail_load();
    }

    // Edges of transparent areas take their neighbours' colour.
    if (flags & tex_into_scratch) image.pixels = scratch_array;
    if (image.desc.format == GL_RGBA && image.pixels != scratch_array && !image.dds)
        TEX_clean_edge(image.desc, image.pixels);

    // Formats, and how to upload.
    const GLint internal = internal_format(image.desc.format, flags);
    const bool compressed = is_compressed(image.desc.format);
    const bool main_thread = on_main_thread();
    const bool hardware_mipmaps =
        (flags & tex_mipmaps) && glExt.automini_avail && !compressed && !(flags & tex_sized);
    const bool update_in_place = loaded.load() == 1 && main_thread && format == image.desc.format &&
                                 held_dx == image.desc.dx && held_dy == image.desc.dy &&
                                 (!(flags & tex_mipmaps) || hardware_mipmaps);
    const bool software_mipmaps = (flags & tex_mipmaps) && !hardware_mipmaps && !image.desc.has_mipmaps;

    // The sizes the object keeps.
    dx_tot = image.desc.dx;
    dy_tot = image.desc.dy;
    format = image.desc.format;
    TEX_image_desc level0 = image.desc;
    level0.has_mipmaps = 0;
    vram = static_cast<int>(TEX_bytes_needed_for_image(level0));
    auto release_image = [&] {
        if (image.owned) std::free(image.pixels);
    };
    if (!(flags & tex_exact_size) && (!is_power_of_two(dx_tot) || !is_power_of_two(dy_tot))) {
        __MACIBM_alert(0, "load_tex: Trying to read a texture that is not a power of 2!", path, "", "", 2,
                       __FILE__, __LINE__);
        release_image();
        return false;
    }
    if (!check_dxy(dx_tot, path) || !check_dxy(dy_tot, path)) {
        release_image();
        return false;
    }

    // The GL name; a reload off the main thread uploads into a fresh one
    // so the old stays drawable meanwhile.
    GLuint name = static_cast<GLuint>(tex_id.load());
    GLuint fresh = 0;
    if (name == 0) {
        glGenTextures(1, &name);
        tex_id.store(static_cast<int>(name));
    } else if (!main_thread && loaded.load() == 1) {
        glGenTextures(1, &fresh);
        name = fresh;
    }
    bind_for_upload(name, main_thread);

    // Upload and parameters.
    upload_levels(image, internal, hardware_mipmaps, update_in_place, software_mipmaps);
    if (compressed) {
        GLint is_compressed_level = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_ARB, &is_compressed_level);
        if (is_compressed_level) {
            GLint bytes = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &bytes);
            vram = static_cast<int>((flags & tex_mipmaps) ? bytes * 1.33 : bytes);
        }
    }
    set_parameters(flags, image.desc.format == GL_DEPTH_COMPONENT);

    // Hand over.
    if (main_thread)
        glFlush();
    else
        glBindTexture(GL_TEXTURE_2D, 0);
    if (fresh) {
        const GLuint old = static_cast<GLuint>(tex_id.exchange(static_cast<int>(fresh)));
        glDeleteTextures(1, &old);
        if (main_thread) TEX_reset_bind();
    }

    int not_loaded = 0;
    if (loaded.compare_exchange_strong(not_loaded, 1)) {
        ++loaded_texes_ctr;
        counted_ = true;
    }
    release_image();
    return true;
}
