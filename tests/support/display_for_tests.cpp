#include "display_for_tests.h"

#include <cstdlib>
#include <fstream>

namespace testing_support {

std::string display_for_tests()
{
    if (const char* own = std::getenv("DISPLAY"); own && *own) return own;
    std::ifstream in(NIMBREL_XVFB_DISPLAY_FILE);
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace testing_support
