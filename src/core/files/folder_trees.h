// Whole folder trees: delete one, copy one.
//
// remove_folder_contents is the program's one whole-folder deleter: the
// partial copy of a cancelled install (through the copy's gate), the run's
// temporary folder and recursive_delete_folder all go through it.  It works
// by descriptors from the folder down and never follows a link, so nothing
// outside the tree can be reached, whatever the tree holds or becomes.
#pragma once

#include <string>

// How the deleter treats what it meets.
struct tree_removal {
    bool hidden = true;          // names beginning with '.' go too
    bool stop_at_first = false;  // else everything is tried, the first error kept
};

// Removes everything the folder open at `folder_fd` holds (a descriptor
// that can be read as a folder); the folder itself stays, writable to its
// owner.  A link, to a folder or not, is removed as the link.  0, or the
// first error met.
int remove_folder_contents(int folder_fd, tree_removal how = {});

// Removes the folder `path` with everything in it.  "" and "/" (any path
// that names no folder of its own: "./", "//") are refused with EINVAL: the
// one is the program's folder, the other everything; so is any path with a
// ".." component.  A link at `path` itself is not followed (ENOTDIR or
// ELOOP).
int remove_folder_tree(const std::string& path, tree_removal how = {});

// Removes `folder` (ending in '/') and everything in it but what a listing
// would not show (names beginning with '.'), stopping at the first failure:
// a folder that keeps a hidden entry stays, with ENOTEMPTY.
int recursive_delete_folder(const std::string& folder);

// Copies the file or folder tree `from` to `to` (both without a trailing
// '/'), following symbolic links; merges into a folder that exists.  A
// folder met again through a link, or a copy into its own tree, ends the
// copy with ELOOP rather than recursing forever.  Walks in listing order
// (see opensave_getitems), stops at the first failure and returns its
// error number; nothing is rolled back.
int copy_file_recursive(const std::string& from, const std::string& to);
