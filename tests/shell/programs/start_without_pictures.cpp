// The start-up's picture loading in a program that carries no built-in
// resources, as a build that lost its artwork would.
#include "shell/startup.h"

int main()
{
    load_builtin_textures();
    return 0;  // reached only when the missing pictures went unnoticed
}
