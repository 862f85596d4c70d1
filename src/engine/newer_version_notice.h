// Telling the user that the maker's servers have moved past this installer:
// a newer installer exists, or a server file is in a newer format.  Both
// warn, open the maker's page in the browser and end the program after the
// current frame, with exit status 1: it did not finish what it was for.
#pragma once

#include <string>

// `url`: the newer installer's page, as the server list names it.
void new_installer(std::string url);

// `path`: the server list or manifest that could not be read.
void new_format(std::string path);
