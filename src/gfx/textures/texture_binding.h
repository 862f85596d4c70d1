// Binding textures on texture units, with a per-unit cache of the bound
// name and environment mode that makes repeated binds free.  Main thread
// only: the cache describes the main context.
#pragma once

class UTL_stat;

// Non-zero: every bind but the widget sheet (410) binds 950 instead.
extern UTL_stat gKillTex;

// Forget what is bound: after making a context current, deleting or
// replacing textures, or binding without TEX_bind_ref.
void TEX_reset_bind();

// Mode 0 is GL_MODULATE; 1, 2 and 10 to 25 are the combiner set-ups when the
// driver has texture combiners; 26 leaves the environment alone; anything
// else is passed to GL_TEXTURE_ENV_MODE as it is.
void TEX_bind_ref(int tex, int unit, int mode);

// GL_TEXTURE_ENV_COLOR of a unit; nothing for a unit the driver lacks.
void TEX_set_tint(int unit, float r, float g, float b, float a);
void TEX_set_blend_level(int unit, float level);
