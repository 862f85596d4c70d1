// MACIBM_init and the start-up progress screen.
//
//   -- Hooks ---
//   -- Steps ---
//   -- Progress screen ---
//   -- MACIBM_init ---
#include "shell/startup.h"

#include <malloc.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text/cmdline.h"
#include "core/core_globals.h"
#include "core/diag/address_space.h"
#include "core/diag/debug_dumps.h"
#include "core/diag/memory_reserve.h"
#include "core/text/languages.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/files/own_files_folder.h"
#include "core/files/system_paths.h"
#include "core/threads/thread_layer.h"
#include "core/maker_site.h"
#include "engine/web_page.h"
#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/shared_buffers.h"
#include "gfx/fonts/text_drawing.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_refs.h"
#include "shell/central_alert.h"
#include "shell/glx_context.h"
#include "shell/menus.h"
#include "shell/mnw_state.h"
#include "shell/proc_info.h"
#include "shell/save_changes_and_links.h"
#include "shell/shutdown.h"
#include "shell/stop_signals.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"
#include "shell/x11_window.h"

namespace {

const char kLogName[] = "Nimbrel Installer Log.txt";

void show_init_screen(const std::string& message, float* fraction);

}  // namespace

// -- Hooks ---

void MACIBM_install_hooks()
{
    mnw_bind_fields();
    set_alert_hook(shell_alert);
    set_finishup_hook(shell_finishup);
    set_show_init_hook(show_init_screen);
    set_web_page_hook(go_to_URL);
    THREAD_gl_hooks gl;
    OGL_fill_thread_gl_hooks(gl);
    gl.make_context_loader = MACIBM_make_context_loader;
    gl.set_context_loader = MACIBM_set_context_loader;
    THREAD_set_gl_hooks(gl);
}

// -- Steps ---

void fill_random_table()
{
    std::srand(1);
    for (float& r : randrat) r = static_cast<float>(std::rand()) * 4.656147e-10f;
    timeval now{};
    gettimeofday(&now, nullptr);
    const unsigned seed = static_cast<unsigned>(now.tv_sec) * 1000000u + static_cast<unsigned>(now.tv_usec);
    std::srand(seed);
    for (unsigned i = 0; i < seed % 1000; ++i) std::rand();
}

void colours_from_interface(const unsigned char* pixels)
{
    static const struct { int index, x, y; } samples[] = {
        {37, 319, 356}, {38, 319, 364}, {39, 319, 372}, {40, 319, 380}, {41, 319, 388},
        {43, 319, 396}, {44, 319, 404}, {45, 319, 412}, {46, 319, 420}, {48, 319, 428},
        {49, 319, 436}, {50, 319, 444}, {47, 395, 396},
    };
    for (const auto& s : samples) {
        const unsigned char* p = pixels + ((511 - s.y) * 512 + s.x) * 4;
        colr.assign(s.index, p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f);
    }
    colr.assign(42, (colr.colours[38][0] + colr.colours[41][0]) / 2,
                (colr.colours[38][1] + colr.colours[41][1]) / 2,
                (colr.colours[38][2] + colr.colours[41][2]) / 2);
}

int settle_language(int language, const std::vector<int>& offered)
{
    if (std::find(offered.begin(), offered.end(), language) != offered.end()) return language;
    return offered.size() == 1 ? offered[0] : -1;
}

void load_builtin_textures()
{
    // A missing picture is a broken build or a damaged copy: fatal, so the
    // program never runs with a black interface.
    tman.load_texture(tex_fail_fatal, tex_ref::world_map, 0x12092, tex_load_now, "RESOURCE:map.png");
    tman.load_texture(tex_fail_fatal, tex_ref::background, 0x12091, tex_load_now, "RESOURCE:background.png");
    if (tman.load_texture(tex_fail_fatal, tex_ref::widget_sheet, 0x30092, tex_load_now, "RESOURCE:interface.png"))
        colours_from_interface(scratch_array);
}

namespace {

// -- Progress screen ---

void show_init_screen(const std::string& message, float* fraction)
{
    static int calls_without_fraction = 0;
    if (!plot_init_lights) return;
    const shell_widget_hooks& w = shell_widgets();
    const float L = mnw.layout_offset_x, ox = mnw.origin_x, oy = mnw.origin_y;
    OGL_plot_back_col();
    w.BTN_frame2(18, L + 10 - ox, 31 - oy, 460, 200, "", 1.0f);
    OGL_string(52, L + 22 - ox, 210 - oy, kMakerWebHost, 440, charset_regular, 0);
    float f = fraction ? *fraction : calls_without_fraction++ * 0.01f;
    f = std::min(1.0f, std::max(0.02f, f));
    w.BTN_frame1(4, L + 512 - ox, 15 - oy, 1008, 0);
    w.BTN_frame1(5, L + 8 + 504 * f - ox, 15 - oy, 1008 * f, 0);
    OGL_string(64, L + 22 - ox, 60 - oy, message, 440, charset_regular, 0);
    OGL_sbuff();
}

}  // namespace

// -- MACIBM_init ---

namespace {

// glibc gives every thread that allocates a heap arena of its own, each
// reserving 64 MiB of address space that it hardly uses: 1.6 GB of the
// 2.1 GB the program holds at its first screen, with 26 threads.  Under a
// limit on the address space (ulimit -v) those reservations, not data,
// would use it up before the first tile unpacks, so there every thread
// shares two arenas (545 MB at the same screen).  Without a limit a
// reservation costs nothing, and each thread keeps its own.  Before any
// thread is started: an arena, once made, stays.
//
// Under a limit a block of 128 KiB or more is also a mapping of its own,
// given back as it is freed, as glibc starts out: once such a block was
// freed glibc would serve blocks up to its size from the heap, and keep up
// to twice that free at the heap's top, address space that no thread's
// stack can take.  Each manifest refused after it was unpacked left the
// scan after the next reading 192 KiB less room so, and each search made
// again left the next one less room outside the heap.  The limit, for the
// log.
uint64_t shape_the_heap_for_an_address_limit()
{
    const uint64_t limit = address_space_limit();
    if (limit) {
        ::mallopt(M_ARENA_MAX, 2);
        ::mallopt(M_MMAP_THRESHOLD, 128 << 10);
    }
    return limit;
}

}  // namespace

void MACIBM_init(int argc, const char* const* argv)
{
    const uint64_t address_limit = shape_the_heap_for_an_address_limit();
    // Before the driver compiles its first shader: under a limit on the
    // address space that is where an allocation would end the program
    // without a word.  Taken first, the reserve finds room wherever the
    // program could start at all; what then does not fit is a thread, a
    // picture or a screen, each with its alert.
    memory_reserve_take(kMemoryReserveBytes);
    MACIBM_install_hooks();
    UTL_debug_init();
    catch_stop_signals();
    MACIBM_set_app_path(&app_path, 0);
    app_path.clear();

    // In the program's folder when that is the user's own; a copy that
    // moved off a disk runs from /tmp/, and its log goes to the per-user
    // folder.  Never in a folder another user may write.
    const std::string& folder = own_files_folder();
    std::string why;
    if (folder.empty())
        std::fprintf(stderr, "No folder of this user's own for the log (%s): this run keeps no log.\n",
                     own_files_folder_reason().c_str());
    else if (!xer.open(folder + kLogName, &why))
        std::fprintf(stderr, "Could not write the log %s%s (%s): this run keeps no log.\n", folder.c_str(), kLogName,
                     why.c_str());
    xer.setf(std::ios::fixed, std::ios::floatfield);
    MACIBM_write_log_header(xer);
    // Said only where it is not the program's folder, as every log said
    // before.
    std::string program_folder;
    get_OS_abs_path(os_dir_this_app, program_folder);
    if (folder != program_folder)
        xer << "The log and the other files of this run's own go in "
            << (folder.empty() ? std::string("no folder") : folder) << ": " << own_files_folder_reason() << ".\n";
    // What the first look at the per-user folder found, before the log
    // had a folder.
    UTL_log_held_lines();
    if (address_limit)
        xer << "Address space limited to " << (address_limit >> 20) << " MiB: the threads share two heap arenas.\n";

    cmdline.init_unix(argc, const_cast<const char**>(argv));
    THREAD_init();

    mnw.x_res_request = 800;
    mnw.y_res_request = 600;
    mnw.texture_res_setting = 5;
    mnw.colour_res_request = 32;
    mnw.antialias_request = 0;
    mnw.language = -1;
    mnw.language = UTL_get_default_language();

    MACIBM_setres(1);
    if (!MACIBM_make_context(0))
        __MACIBM_alert(0,
                       "I could not set up the graphics for Nimbrel! I hope your monitor is at "
                       "1024x768 or higher! It must be!",
                       "You do not meet the system requirements or you do not have OpenGL drivers "
                       "or you entered a bad resolution in Nimbrel!",
                       "You need at least 256 meg of RAM, 16 meg of VRAM, and OpenGl drivers for "
                       "your 3-D accelerator card!",
                       "If you reset the resolution, you can try launching Nimbrel again, since I "
                       "am resetting Nimbrel to default resolution now.",
                       2, __FILE__, __LINE__);
    OGL_pix_specs(0);
    glExt.init_extensions();
    tman.TEX_init();
    THREAD_make_workers();
    fill_random_table();

    load_builtin_textures();

    MACIBM_clear_menus(1);
    MACIBM_startwind(-1, 0);
    OGL_pix_specs(0);
    ogl_inited = 1;

    std::vector<int> offered;
    UTL_lang_get_languages(offered);
    mnw.language = settle_language(mnw.language, offered);
    if (mnw.language < 0) {
        mnw.language = 0;
        __MACIBM_alert(-1, "-", "-", "-", "-", 0, __FILE__, __LINE__);
    }
    MACIBM_show_init("Will init plugins.", nullptr);
    MACIBM_setupforlang();
    MACIBM_show_init("Starting application.", nullptr);
}
