// Numbered screenshots of the centre of the screen.

#include <GL/gl.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "core/core_globals.h"
#include "core/files/own_files_folder.h"
#include "gfx/draw/background_and_screenshot.h"
#include "gfx/images/image_files.h"
#include "gfx/shared_buffers.h"
#include "gfx/window_link.h"

void OGL_screenshot(int save)
{
    static int shot = -1;
    const int W = ogl_win->screen_width, H = ogl_win->screen_height;
    const int w = std::clamp(W, 0, 2048), h = std::clamp(H, 0, 2048);

    // Rows packed tight, as the PNG writer reads them; GL's default would
    // pad each row to four bytes.
    GLint saved_alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &saved_alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(static_cast<int>((W - w) * 0.5), static_cast<int>((H - h) * 0.5), w, h, GL_RGB,
                 GL_UNSIGNED_BYTE, scratch_array);
    glPixelStorei(GL_PACK_ALIGNMENT, saved_alignment);
    // Into the working folder, the folder of the run's own files: a run
    // with none takes no shots.
    if (!save || own_files_folder().empty()) return;

    // A name is free only with nothing at all there: a link or a folder
    // of the same name is nothing to write over.
    std::string name;
    struct stat st;
    do {
        ++shot;
        name = "screenshot_" + std::to_string(shot) + ".png";
    } while (::fstatat(AT_FDCWD, (app_path + name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0);
    write_png_to_disk(name, w, h, 3);
}
