// PNG through libpng, with the program's own memory, read and message
// callbacks.
//
// libpng reports a fatal error by long-jumping out of its own frames.  So
// every libpng call that can fail runs inside one plain function
// (decode_png, encode_png) whose state lives in a job record owned by the
// caller; nothing with a destructor lies between the setjmp and the jump,
// and the alerts are raised after the jump, never from inside libpng.

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/files/own_files.h"
#include "core/files/xmap.h"
#include "gfx/draw/colour_table.h"
#include "gfx/images/image_files.h"
#include "gfx/images/image_layout.h"
#include "gfx/shared_buffers.h"

namespace {

// The error pointer of every libpng structure: where its messages go.
struct png_messages {
    const std::string* path;
    std::string error;  // the message of the error that ended the work
};

// -- libpng callbacks -------------------------------------------------------

// libpng's own memory: row buffers, inflate state and chunk data.  A chunk's
// length comes from the file and libpng only warns about huge ones, so a
// damaged file could ask for gigabytes here; no picture of ours needs more
// than a few megabytes, and a refusal ends decoding as a libpng error.
constexpr png_alloc_size_t libpng_memory_limit = png_alloc_size_t(16) << 20;

png_voidp my_malloc(png_structp, png_alloc_size_t size)
{
    return size <= libpng_memory_limit ? std::malloc(size) : nullptr;
}

void my_free(png_structp, png_voidp p) { std::free(p); }

void my_readbuf(png_structp png, png_bytep out, png_size_t n)
{
    xmap_class* map = static_cast<xmap_class*>(png_get_io_ptr(png));
    if (n > size_t(map->end - map->pos)) png_error(png, "PNG Read Error, overran end of buffer!");
    std::memcpy(out, map->pos, n);
    map->pos += n;
}

void my_warning(png_structp png, png_const_charp message)
{
    const png_messages* messages = static_cast<const png_messages*>(png_get_error_ptr(png));
    xer << "PNG warning! " << message << ", " << *messages->path << "\n";
}

[[noreturn]] void my_error(png_structp png, png_const_charp message)
{
    png_messages* messages = static_cast<png_messages*>(png_get_error_ptr(png));
    messages->error = message;
    png_longjmp(png, 1);
}

// -- Reading ----------------------------------------------------------------

struct png_read_job {
    xmap_class* map;
    const std::string* path;
    unsigned int format;
    int bytes_per_pixel;
    int row_width, power_of_two, follow_alpha;

    TEX_image_desc desc;
    decoded_rows plan;
    unsigned char* data;
    bool allocated;
    png_bytepp rows;
    bool refused;  // refused by our own checks, which have raised their alert
};

// 0 when libpng gave up (its message in the error record) or the job was
// refused; everything to free is in the job.
int decode_png(png_structp png, png_infop info, png_read_job* job)
{
    if (setjmp(png_jmpbuf(png))) return 0;

    png_set_read_fn(png, job->map, my_readbuf);
    png_set_sig_bytes(png, 8);
    job->map->pos += 8;
    png_set_user_limits(png, TEX_max_image_side, TEX_max_image_side);

    png_read_info(png, info);
    png_uint_32 width, height;
    int bit_depth, colour_type, interlace, compression, filter;
    png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, &interlace, &compression,
                 &filter);
    if (!TEX_image_size_ok(width, height)) png_error(png, "Image is too large");
    job->desc.format = job->format;
    job->desc.dx = int(width);
    job->desc.dy = int(height);
    job->desc.pad = 0;
    job->desc.has_mipmaps = 0;

    // Without a gAMA chunk a picture is taken to be made for gamma 1.8.
    double file_gamma;
    if (!png_get_gAMA(png, info, &file_gamma)) file_gamma = 1.0 / colr.gamma_a;
    png_set_gamma(png, colr.gamma_b, file_gamma);

    const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colour_type == PNG_COLOR_TYPE_PALETTE && bit_depth <= 8) png_set_expand(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand(png);
    if (has_trns) png_set_expand(png);
    if (bit_depth == 16) png_set_strip_16(png);
    if (bit_depth < 8) png_set_packing(png);

    const bool has_alpha = (colour_type & PNG_COLOR_MASK_ALPHA) || has_trns;
    if (job->follow_alpha) {
        if (has_alpha && job->desc.format == GL_RGB) job->desc.format = GL_RGBA;
        if (!has_alpha && job->desc.format == GL_RGBA) job->desc.format = GL_RGB;
    }
    if (job->desc.format == GL_RGBA && !has_alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    if (job->desc.format != GL_RGBA && has_alpha) png_set_strip_alpha(png);

    const bool colour = colour_type & PNG_COLOR_MASK_COLOR;
    if (job->desc.format == GL_ALPHA) {
        if (colour) png_set_rgb_to_gray(png, 1, -1.0, -1.0);
        job->bytes_per_pixel = 1;
    } else {
        if (!colour) png_set_gray_to_rgb(png);
        job->bytes_per_pixel = job->desc.format == GL_RGBA ? 4 : 3;
    }
    png_set_interlace_handling(png);

    if (!plan_decoded_rows(*job->path, job->desc.dx, job->desc.dy, job->bytes_per_pixel,
                           job->row_width, job->power_of_two, job->plan) ||
        !claim_decoded_buffer(*job->path, job->plan, job->data, job->allocated)) {
        job->refused = true;
        return 0;
    }
    job->desc.pad = job->plan.pad;
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) > size_t(job->bytes_per_pixel) * job->desc.dx)
        png_error(png, "Unexpected row size after transformations");

    job->rows = static_cast<png_bytepp>(png_malloc(png, sizeof(png_bytep) * job->desc.dy));
    for (int i = 0; i < job->desc.dy; ++i)
        job->rows[i] = job->data + job->plan.stride * (job->desc.dy - 1 - i);
    png_read_image(png, job->rows);
    return 1;
}

// -- Writing ----------------------------------------------------------------

struct png_write_job {
    std::FILE* file;
    const TEX_image_desc* desc;
    const unsigned char* data;
    int bytes_per_pixel;
    png_bytepp rows;
};

int encode_png(png_structp png, png_infop info, png_write_job* job)
{
    if (setjmp(png_jmpbuf(png))) return 0;

    const TEX_image_desc& desc = *job->desc;
    png_init_io(png, job->file);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_set_compression_mem_level(png, 8);
    png_set_compression_strategy(png, 0);
    png_set_compression_window_bits(png, 15);
    png_set_compression_method(png, 8);
    png_set_compression_buffer_size(png, 8192);
    png_set_gAMA(png, info, 1.0 / 2.2);
    const int colour_type = job->bytes_per_pixel == 4   ? PNG_COLOR_TYPE_RGBA
                            : job->bytes_per_pixel == 3 ? PNG_COLOR_TYPE_RGB
                                                        : PNG_COLOR_TYPE_GRAY;
    png_set_IHDR(png, info, png_uint_32(desc.dx), png_uint_32(desc.dy), 8, colour_type,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);

    const size_t stride = size_t(job->bytes_per_pixel) * desc.dx + desc.pad;
    job->rows = static_cast<png_bytepp>(png_malloc(png, sizeof(png_bytep) * desc.dy));
    for (int i = 0; i < desc.dy; ++i)
        job->rows[i] = const_cast<png_bytep>(job->data + stride * (desc.dy - 1 - i));
    png_write_image(png, job->rows);
    png_write_end(png, info);
    return 1;
}

}  // namespace

int TEX_load_png(const std::string& path, xmap_class* map, unsigned char*& data,
                 unsigned int format, int row_width, int power_of_two, int follow_alpha,
                 TEX_image_desc& desc)
{
    png_messages messages{&path, {}};
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &messages, my_error,
                                               my_warning, nullptr, my_malloc, my_free);
    if (!png) {
        __MACIBM_alert(0, "PING-FILE ERROR!", "!png_ptr", path, "", 2, __FILE__, __LINE__);
        return 0;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        __MACIBM_alert(0, "PING-FILE ERROR!", "!info_ptr", path, "", 2, __FILE__, __LINE__);
        return 0;
    }
    if (!map || !map->pos || map->end - map->pos < 8) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    if (png_sig_cmp(reinterpret_cast<png_const_bytep>(map->pos), 0, 8) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        __MACIBM_alert(0, "PING-FILE ERROR!", "is_png=!png_sig_cmp(png_io_buf,0,8)", path, "", 2,
                       __FILE__, __LINE__);
        return 0;
    }
    if (!picture_bytes_per_pixel(format))
        __MACIBM_alert(0, "Illegal bits per pixel", "", "", "", 2, __FILE__, __LINE__);

    png_read_job job{map, &path, format, 0, row_width, power_of_two, follow_alpha,
                     {}, {}, data, false, nullptr, false};
    const int decoded = decode_png(png, info, &job);
    if (job.rows) png_free(png, job.rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (decoded) {
        data = job.data;
        desc = job.desc;
        return 1;
    }
    if (job.allocated) std::free(job.data);
    if (!job.refused) {
        __MACIBM_alert(0, "PNG error!", messages.error, path, "", 1, __FILE__, __LINE__);
        __MACIBM_alert(0, "PING-FILE ERROR!", "setjmp(png_ptr->jmpbuf", path, "", 2, __FILE__,
                       __LINE__);
    }
    return 0;
}

int TEX_save_png(const std::string& path, const TEX_image_desc& desc, const unsigned char* data)
{
    const int bytes_per_pixel = picture_bytes_per_pixel(desc.format);
    if (!bytes_per_pixel) {
        __MACIBM_alert(0, "Illegal pixel format for png-write.", path, "", "", 2, __FILE__,
                       __LINE__);
        return 0;
    }
    if (desc.dx <= 0 || desc.dy <= 0) {
        xer << "PNG write refused: no pixels (" << desc.dx << " x " << desc.dy << "), " << path
            << "\n";
        return 0;
    }
    // A file of the program's own: never written through a link or a
    // second name, and emptied only once judged (open_own_file says why
    // not in the log).
    const std::string full = app_path + path;
    const int fd = open_own_file(full, O_TRUNC);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!file) {
        if (fd >= 0) ::close(fd);
        return 0;
    }

    png_messages messages{&full, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &messages, my_error, my_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    int written = 0;
    png_write_job job{file, &desc, data, bytes_per_pixel, nullptr};
    if (info) written = encode_png(png, info, &job);
    if (job.rows) png_free(png, job.rows);
    png_destroy_write_struct(&png, info ? &info : nullptr);

    // A full disk often shows only when the last buffered bytes go out.
    errno = 0;
    int error = 0;
    if (std::fflush(file) != 0 || std::ferror(file)) error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && !error) error = errno ? errno : EIO;
    if (written && !error) return 1;
    xer << "PNG write failed: "
        << (messages.error.empty() ? std::string(std::strerror(error)) : messages.error) << ", "
        << full << "\n";
    return 0;
}

int write_png_to_disk(std::string path, int width, int height, int channels)
{
    TEX_image_desc desc;
    desc.format = channels == 4 ? GL_RGBA : GL_RGB;
    desc.dx = width;
    desc.dy = height;
    if (TEX_bytes_needed_for_image(desc) > size_t(scratch_array_bytes)) {
        xer << "PNG write refused: " << width << " x " << height << " x " << (channels == 4 ? 4 : 3)
            << " bytes do not fit the shared pixel buffer, " << path << "\n";
        return 0;
    }
    return TEX_save_png(path, desc, scratch_array);
}
