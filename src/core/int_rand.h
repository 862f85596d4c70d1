// Random integers for choices that need no quality (which server to try).
#pragma once

// A random integer from lo to hi inclusive; lo above hi is a fatal alert.
int int_rand(int lo, int hi);
