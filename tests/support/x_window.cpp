#include "x_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "display_for_tests.h"

namespace testing_support {

namespace {

// A window can go between our look and our request; Xlib's default answer
// to the error that follows is to end the test program.
int note_error(Display*, XErrorEvent*) { return 0; }

class x_connection {
public:
    x_connection() : display_(XOpenDisplay(display_for_tests().c_str()))
    {
        previous_ = XSetErrorHandler(note_error);
    }
    ~x_connection()
    {
        if (display_) {
            XSync(display_, False);
            XCloseDisplay(display_);
        }
        XSetErrorHandler(previous_);
    }
    x_connection(const x_connection&) = delete;
    x_connection& operator=(const x_connection&) = delete;
    Display* get() const { return display_; }

private:
    Display* display_;
    XErrorHandler previous_ = nullptr;
};

Window find_named(Display* display, Window under, const char* name)
{
    char* own = nullptr;
    if (XFetchName(display, under, &own) && own) {
        const bool match = std::strcmp(own, name) == 0;
        XFree(own);
        if (match) return under;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = find_named(display, children[i], name);
    if (children) XFree(children);
    return found;
}

}  // namespace

uint32_t window_pixels::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return rgb_[static_cast<size_t>(y) * width_ + x];
}

int window_pixels::differences(const window_pixels& other, int left, int top, int right, int bottom) const
{
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > width_) right = width_;
    if (bottom > height_) bottom = height_;
    if (other.width_ != width_ || other.height_ != height_)
        return right > left && bottom > top ? (right - left) * (bottom - top) : 1;
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += at(x, y) != other.at(x, y);
    return n;
}

window_pixels grab_window(const std::string& window)
{
    window_pixels p;
    x_connection x;
    const Window id = std::strtoul(window.c_str(), nullptr, 0);
    XWindowAttributes attributes;
    if (!x.get() || !id || !XGetWindowAttributes(x.get(), id, &attributes) || attributes.map_state != IsViewable)
        return p;
    XImage* image = XGetImage(x.get(), id, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return p;
    p.width_ = image->width;
    p.height_ = image->height;
    p.rgb_.resize(static_cast<size_t>(p.width_) * p.height_);
    // Pictures are taken many times a second while a test waits: the
    // server's 32-bit pixels in our own byte order are copied by rows.
    const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
    for (int y = 0; y < p.height_; ++y) {
        uint32_t* row = &p.rgb_[static_cast<size_t>(y) * p.width_];
        if (direct) {
            std::memcpy(row, image->data + static_cast<size_t>(y) * image->bytes_per_line, p.width_ * 4u);
            for (int x0 = 0; x0 < p.width_; ++x0) row[x0] &= 0xffffff;
        } else {
            for (int x0 = 0; x0 < p.width_; ++x0) row[x0] = static_cast<uint32_t>(XGetPixel(image, x0, y)) & 0xffffff;
        }
    }
    XDestroyImage(image);
    return p;
}

bool window_size(const std::string& window, int& width, int& height)
{
    x_connection x;
    const Window id = std::strtoul(window.c_str(), nullptr, 0);
    XWindowAttributes attributes;
    if (!x.get() || !id || !XGetWindowAttributes(x.get(), id, &attributes)) return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool send_close_request(const std::string& name, double seconds)
{
    x_connection x;
    if (!x.get()) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    Window window = 0;
    while (!(window = find_named(x.get(), DefaultRootWindow(x.get()), name.c_str())) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!window) return false;
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(x.get(), "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(x.get(), "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    return XSendEvent(x.get(), window, False, NoEventMask, &message) != 0;
}

}  // namespace testing_support
