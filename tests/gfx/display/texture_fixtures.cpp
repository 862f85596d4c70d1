#include "texture_fixtures.h"

#include "gfx/textures/texture_binding.h"

namespace gfx_test {

std::vector<unsigned char> texture_pixels(GLuint name, int w, int h)
{
    std::vector<unsigned char> out(static_cast<size_t>(w) * h * 4);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Bound behind the cache's back.
    TEX_reset_bind();
    return out;
}

}  // namespace gfx_test
