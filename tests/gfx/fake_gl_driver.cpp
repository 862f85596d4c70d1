#include "fake_gl_driver.h"

namespace gfx_test {

namespace {

fake_gl_driver* current = nullptr;

const GLubyte* get_string(GLenum name)
{
    if (current->null_strings) return nullptr;
    const std::string* s = nullptr;
    switch (name) {
    case GL_VENDOR: s = &current->vendor; break;
    case GL_RENDERER: s = &current->renderer; break;
    case GL_VERSION: s = &current->version; break;
    case GL_EXTENSIONS: s = &current->extensions; break;
    default: return reinterpret_cast<const GLubyte*>("1.10");
    }
    return reinterpret_cast<const GLubyte*>(s->c_str());
}

const char* glx_extensions() { return current->null_strings ? nullptr : current->glx_extensions.c_str(); }

void get_integer(GLenum name, GLint* value)
{
    auto it = current->integers.find(name);
    *value = it == current->integers.end() ? 0 : it->second;
}

void get_float(GLenum name, GLfloat* value)
{
    auto it = current->floats.find(name);
    value[0] = 0;
    if (name == GL_POINT_SIZE_RANGE) value[1] = 0;
    if (it == current->floats.end()) return;
    value[name == GL_POINT_SIZE_RANGE ? 1 : 0] = it->second;
}

void APIENTRY get_program(GLenum target, GLenum pname, GLint* value)
{
    *value = 0;
    if (pname == GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB)
        *value = target == GL_FRAGMENT_PROGRAM_ARB ? current->fragment_instructions
                                                   : current->vertex_instructions;
}

void APIENTRY any_entry_point() {}

void* proc_address(const char* name)
{
    if (current->missing.count(name)) return nullptr;
    if (std::string(name) == "glGetProgramivARB") return reinterpret_cast<void*>(get_program);
    return reinterpret_cast<void*>(any_entry_point);
}

const ogl_driver_queries fake_queries = {get_string, glx_extensions, proc_address, get_integer,
                                         get_float};

}  // namespace

fake_gl_driver::fake_gl_driver()
{
    current = this;
    integers[GL_MAX_TEXTURE_UNITS_ARB] = 4;
    integers[GL_MAX_TEXTURE_SIZE] = 2048;
    set_ogl_driver_queries(&fake_queries);
    glExt = OGL_extensions();
    ren = ren_struct{0, 0, 0, 0, "", "", "", "", 0, 1.0f};
}

fake_gl_driver::~fake_gl_driver()
{
    set_ogl_driver_queries(nullptr);
    current = nullptr;
}

}  // namespace gfx_test
