#include "engine/web_page.h"

#include "core/files/launch_app.h"

namespace {

void open_unlogged(std::string url) { open_in_browser(url); }

web_page_fn web_page_hook = open_unlogged;

}  // namespace

void open_web_page(const std::string& url) { web_page_hook(url); }

void set_web_page_hook(web_page_fn fn) { web_page_hook = fn ? fn : open_unlogged; }
