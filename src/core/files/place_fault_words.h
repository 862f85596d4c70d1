// A place that is not the user's own, said in the user's language: the
// walks that judge places lie below the translation tables, which open
// the log through them.
#pragma once

#include <string>

#include "core/files/users_own.h"

// What `fault` says, in the user's language, for an alert.
std::string fault_in_users_words(const place_fault& fault);
