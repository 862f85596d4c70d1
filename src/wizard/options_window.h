// The installer options window behind OPTIONS: proxy, the system to
// download for, action logging and the download stream count.  Every change
// takes effect at once; the preference file is written at exit.
#pragma once

#include <string>

// Runs the modal window until the shell makes another window current.
void handle_prefs();

// The proxy port a port text stands for: 0 (no proxy) unless it is a
// number from 1 to 65535.
int proxy_port_from_text(const std::string& text);

// Settings read from the preference file made safe to use: a stream count
// outside 0..4 is automatic, a proxy port outside 1..65535 no proxy.
void sanitize_installer_settings();

// Binds the options this window edits to their keys of the installer
// preference file; before the file is read.
void bind_options_preferences();
