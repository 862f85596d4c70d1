// A driver made of data, for capability detection: the strings, limits and
// the entry points it lacks are whatever the test says.
#pragma once

#include <map>
#include <set>
#include <string>

#include "gfx/ogl_capabilities.h"

namespace gfx_test {

struct fake_gl_driver {
    std::string vendor = "Fake Vendor", renderer = "Fake Renderer", version = "2.1.2",
                extensions = "", glx_extensions = "GLX_SGIX_fbconfig GLX_SGIX_pbuffer";
    bool null_strings = false;        // every glGetString answers null
    std::set<std::string> missing;    // entry points answered with null
    std::map<GLenum, int> integers;   // glGetIntegerv and glGetProgramivARB
    std::map<GLenum, float> floats;   // glGetFloatv

    // Makes this the driver that detection asks, until it goes.
    fake_gl_driver();
    ~fake_gl_driver();
    fake_gl_driver(const fake_gl_driver&) = delete;
    fake_gl_driver& operator=(const fake_gl_driver&) = delete;

    // The programs' native instruction counts, answered per target.
    int fragment_instructions = 200, vertex_instructions = 200;
};

}  // namespace gfx_test
