// Whole folder trees: delete one, copy one.  Both walk the tree in listing
// order (see opensave_getitems), stop at the first failure and return its
// error number; nothing is rolled back.
#pragma once

#include <string>

// Removes `folder` (ending in '/') and everything listed in it.  A symbolic
// link inside is removed as a link: the walk never leaves the tree.
int recursive_delete_folder(const std::string& folder);

// Copies the file or folder tree `from` to `to` (both without a trailing
// '/'), following symbolic links; merges into a folder that exists.  A
// folder met again through a link, or a copy into its own tree, ends the
// copy with ELOOP rather than recursing forever.
int copy_file_recursive(const std::string& from, const std::string& to);
